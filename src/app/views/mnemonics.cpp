#include "app/views/mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <map>

namespace widgets {

namespace {

using Captions = std::map<QChar, QStringList>;

void note(Captions& keys, const QString& caption) {
    const QChar key = mnemonicOf(caption);
    if (!key.isNull())
        keys[key] << caption;
}

// A control counts when a person can see it in the window as it stands: hidden pages of a tab
// widget and closed menus have keys of their own.
bool shown(const QWidget* w, const QWidget& window) {
    return w->isVisibleTo(&window) && w->isEnabled();
}

void lines(const Captions& keys, const QString& where, QStringList& out) {
    for (const auto& [key, captions] : keys)
        if (captions.size() > 1)
            out << QStringLiteral("%1Alt+%2: %3").arg(where, QString(key), captions.join(u", "));
}

} // namespace

QChar mnemonicOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

QStringList repeatedMnemonics(const QWidget& window) {
    Captions keys;
    for (const QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (shown(b, window))
            note(keys, b->text());
    for (const QGroupBox* g : window.findChildren<QGroupBox*>())
        if (shown(g, window) && g->isCheckable())
            note(keys, g->title());
    for (const QLabel* l : window.findChildren<QLabel*>())
        if (shown(l, window) && l->buddy())
            note(keys, l->text());
    for (const QTabBar* t : window.findChildren<QTabBar*>())
        if (shown(t, window))
            for (int i = 0; i < t->count(); ++i)
                if (t->isTabVisible(i))
                    note(keys, t->tabText(i));
    QStringList out;
    if (const auto* main = qobject_cast<const QMainWindow*>(&window)) {
        for (const QAction* a : main->menuBar()->actions())
            note(keys, a->text());
        for (const QAction* a : main->menuBar()->actions())
            if (const QMenu* m = a->menu()) {
                Captions items;
                for (const QAction* item : m->actions())
                    if (item->isVisible() && !item->isSeparator())
                        note(items, item->text());
                lines(items, QStringLiteral("%1 → ").arg(m->title()), out);
            }
    }
    QStringList windowLines;
    lines(keys, QString(), windowLines);
    return windowLines + out;
}

} // namespace widgets
