// The main window, the about box, the error view, the start-up message of a missing database
// and the first pages of the quick guide.
#include "recorded_message.h"
#include "tour.h"

#include "app/last_error.h"
#include "app/messages.h"
#include "app/regional_check.h"
#include "app/startup.h"
#include "app/views/errores.h"
#include "app/views/frmacercade.h"
#include "app/views/message_boxes.h"
#include "help_pdf.h"
#include "shell/views/menu.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>

namespace {

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The main window with one of its menus pulled down: the popup is a window of its own, so the
// picture is the window with the popup's picture laid over it where it opened.
QImage menuWithOpenMenu(const QString& menuName) {
    app::menu window(nullptr);
    window.show();
    settle();
    QImage picture = window.grab().toImage();
    auto* pulldown = window.findChild<QMenu*>(menuName);
    if (pulldown == nullptr)
        return picture;
    const QRect item = window.menuBar()->actionGeometry(pulldown->menuAction());
    const QPoint at = window.menuBar()->mapTo(&window, item.bottomLeft());
    pulldown->popup(window.mapToGlobal(at));
    settle();
    const QImage popup = pulldown->grab().toImage();
    pulldown->hide();
    QPainter painter(&picture);
    painter.drawImage(at, popup);
    return picture;
}

// Settings that already hold what the program wants, so start-up asks nothing about them.
class SettledRegionalSettings : public app::RegionalSettings {
public:
    std::optional<QString> read(app::LocaleItem item) override {
        for (const app::RegionalRequirement& r : app::regionalRequirements())
            if (r.item == item)
                return r.required;
        return std::nullopt;
    }
    bool write(app::LocaleItem, const QString&) override { return true; }
};

QImage missingDatabaseMessage() {
    SettledRegionalSettings settings;
    tour::RecordedMessage recorded(msg::No);
    msg::MessageService* previous = msg::setService(&recorded);
    // A path that exists nowhere, and reads as the default one does on a user's machine.
    app::runStartup(settings, QStringLiteral("/home/usuario/.local/share/Dosivant/Dosivant.db"));
    msg::setService(previous);
    const std::unique_ptr<QMessageBox> box =
        widgets::makeMessageBox(recorded.text_, recorded.style_, recorded.title_, nullptr);
    box->show();
    settle();
    return box->grab().toImage();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    // The first pages of the quick guide as its PDF lays them out: no heading ends a page.
    all.push_back({QStringLiteral("guiarapidadosivant_paginas"), nullptr, [](tour::Context&) {
                       return helppdf::pagesPicture(
                           QStringLiteral(DOSIVANT_HELP_DIR "/guiarapidadosivant.html"), 0, 2);
                   }});
    all.push_back({QStringLiteral("menu"), nullptr,
                   [](tour::Context&) { return menuWithOpenMenu(QStringLiteral("datos")); }});
    all.push_back({QStringLiteral("menu_formulas"), nullptr,
                   [](tour::Context&) { return menuWithOpenMenu(QStringLiteral("formulas")); }});
    all.push_back({QStringLiteral("menu_utilidades"), nullptr,
                   [](tour::Context&) { return menuWithOpenMenu(QStringLiteral("utilidades")); }});
    all.push_back({QStringLiteral("frmacercade"),
                   [](tour::Context&) -> std::unique_ptr<QWidget> {
                       return std::make_unique<app::frmacercade>();
                   },
                   nullptr});
    all.push_back({QStringLiteral("errores"),
                   [](tour::Context&) -> std::unique_ptr<QWidget> {
                       app::setLastError(3197, QStringLiteral("Conflicto al escribir el registro"));
                       return std::make_unique<app::errores>(
                           QStringLiteral("No es posible efectuar la operación."));
                   },
                   nullptr});
    all.push_back({QStringLiteral("missing_database"), nullptr,
                   [](tour::Context&) { return missingDatabaseMessage(); }});
});

} // namespace
