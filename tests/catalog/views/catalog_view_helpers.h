#pragma once

#include "store/database.h"
#include "support/list_picks.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

// Drives catalogue views by the names of their controls.
template <class W = QWidget> W* control(const QWidget& view, const char* name) {
    auto* w = view.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A press of the button with the mouse, as a person makes it.
inline void click(const QWidget& view, const char* name) {
    QTest::mouseClick(control<QAbstractButton>(view, name), Qt::LeftButton);
}

inline void type(const QWidget& view, const char* name, const QString& text) {
    control<QLineEdit>(view, name)->setText(text);
}

// The texts of one grid column, top to bottom.
inline QStringList column(const QWidget& view, int c) {
    auto* grid = control<QTableWidget>(view, "FlexGrid1");
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
    return texts;
}

// Makes the row whose column c shows `text` current; false when there is none.
inline bool selectRow(const QWidget& view, int c, const QString& text) {
    auto* grid = control<QTableWidget>(view, "FlexGrid1");
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, c) && grid->item(r, c)->text() == text) {
            grid->setCurrentCell(r, c);
            return true;
        }
    }
    return false;
}

inline int scalar(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

// Shows a view and waits until it is the active window, as keys need.
inline void showActive(QWidget& view) {
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
}
