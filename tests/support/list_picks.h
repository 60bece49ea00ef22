#pragma once

#include "app/views/list_mode.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedades.h"
#include "formulas/views/frmformulas.h"

#include <QAbstractButton>
#include <QDialog>
#include <QTableWidget>

// Test helpers for the list views opened to pick a row.

constexpr keys::ListMode kMaintain = keys::ListMode::Maintain;
constexpr keys::ListMode kPick = keys::ListMode::Pick;

// A list mode as the mode text names it: "BUSCAR" when picking, "ABM" when maintaining.
inline QString modeText(keys::ListMode mode) {
    return mode == keys::ListMode::Pick ? QStringLiteral("BUSCAR") : QStringLiteral("ABM");
}

// The mode text of a list view a modal runner got (empty for any other view).
inline QString modeOf(const QDialog& d) {
    if (auto* list = qobject_cast<const catalog::frmproductos*>(&d))
        return modeText(list->mode());
    if (auto* list = qobject_cast<const catalog::frmpropiedades*>(&d))
        return modeText(list->mode());
    if (auto* list = qobject_cast<const formulas::frmformulas*>(&d))
        return modeText(list->mode());
    return QString();
}

// The id a catalogue list's pick holds, 0 when nothing was picked.
template <class List> int pickedId(const List& list) {
    return list.pick() ? list.pick()->id : 0;
}

// Plays the user picking, in a catalogue list opened to pick, the row whose key (column 0) is
// `id`, with "&Aceptar". Returns the list's result code, for a modal runner.
inline int pickRow(QDialog& list, int id) {
    auto* grid = list.findChild<QTableWidget*>(QStringLiteral("FlexGrid1"));
    for (int r = 0; grid && r < grid->rowCount(); ++r) {
        if (grid->item(r, 0) && grid->item(r, 0)->text().toInt() == id) {
            grid->setCurrentCell(r, 0);
            break;
        }
    }
    list.findChild<QAbstractButton*>(QStringLiteral("Command4"))->click();
    return list.result();
}
