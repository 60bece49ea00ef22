#pragma once

#include <QSize>
#include <QString>
#include <vector>

namespace grid {
struct Column;
}

// What makes one of the search lists (ingredients, nutrients, formulas) what it is, apart from
// its search panel: the names, the texts, the statement it opens on and how its grid shows the
// rows. The search-list dialog is built from it.
namespace lists {

// A button of the maintain row that only one list has, placed after "&Eliminar".
struct ListButton {
    QString objectName;
    QString caption;
};

struct ListDescription {
    QString objectName; // of the window, as tests and the screenshot tour find it
    QString caption;
    QString searchTitle; // the search panel's frame; empty: none
    // Listed when the list opens, before any search.
    QString openingStatement;
    std::vector<grid::Column> (*columns)() = nullptr; // one per field of the statements
    int fillColumn = -1;                              // takes the width the others leave
    QSize size;                                       // first size of the window
    std::vector<ListButton> extraButtons;
    QString acceptCaption = QStringLiteral("&Aceptar");
    QString cancelCaption = QStringLiteral("&Cancelar");
    // Whether a click on a button takes the focus (false: only Tab gives it, so a box being left
    // is checked once, by the action itself).
    bool buttonsTakeFocus = true;
};

} // namespace lists
