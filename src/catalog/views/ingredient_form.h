#pragma once

#include "catalog/ingredients.h"

class QComboBox;
class QDialog;
class QLineEdit;
class QPushButton;

namespace catalog::views {

// The controls of the two ingredient editors (the catalogue's and the one that saves a mix as
// an ingredient), laid out on `view`: code, description, unit, cost, dry matter, the weighing
// step, the hidden
// id, and the buttons. The Nutrientes button only when asked for.
struct IngredientForm {
    IngredientForm(QDialog* view, bool withNutrientsButton);

    IngredientFields typed() const;
    void show(const IngredientFields& fields, int id);
    // A new ingredient's code may be typed; a stored one's is fixed.
    void setCodeEditable(bool editable);

    QLineEdit* codeEdit = nullptr;
    QLineEdit* descriptionEdit = nullptr;
    QComboBox* unitBox = nullptr;
    QLineEdit* costEdit = nullptr;
    QLineEdit* dryMatterEdit = nullptr;
    QLineEdit* stepEdit = nullptr; // empty: no weighing step
    QLineEdit* txtid_producto = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdrequery = nullptr;
    QPushButton* CmdPropiedades = nullptr; // null without the Nutrientes button
    QPushButton* cmdClose = nullptr;
};

} // namespace catalog::views
