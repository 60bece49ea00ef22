#include "catalog/views/ingredient_form.h"

#include "app/grid_style.h"
#include "app/views/keyboard_rules.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/views/view_support.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace catalog::views {

using widgets::button;
using widgets::named;

IngredientForm::IngredientForm(QDialog* view, bool withNutrientsButton) {
    codeEdit = named<QLineEdit>(view, "Text1");
    codeEdit->setMaxLength(20);
    descriptionEdit = named<QLineEdit>(view, "Text2");
    descriptionEdit->setMaxLength(100);
    unitBox = named<QComboBox>(view, "Combo1");
    unitBox->setEditable(true);
    unitBox->addItems(kIngredientUnits);
    unitBox->setCurrentIndex(-1);
    costEdit = named<QLineEdit>(view, "Text3");
    dryMatterEdit = named<QLineEdit>(view, "Text4");
    stepEdit = named<QLineEdit>(view, "txtPaso");
    stepEdit->setAlignment(Qt::AlignRight);
    stepEdit->setToolTip(QStringLiteral("Lo que pesa de una vez la balanza de este ingrediente, "
                                        "en la unidad de la fórmula; vacío: sin redondeo"));
    txtid_producto = named<QLineEdit>(view, "txtid_producto");
    txtid_producto->hide();
    costEdit->setAlignment(Qt::AlignRight);
    dryMatterEdit->setAlignment(Qt::AlignRight);

    auto* fields = new QGridLayout;
    const std::pair<const char*, QWidget*> rows[] = {
        {"Código", codeEdit},       {"Descripción", descriptionEdit}, {"Unidad", unitBox},
        {"Precio Costo", costEdit}, {"Materia Seca", dryMatterEdit},  {"Paso de pesada", stepEdit}};
    int r = 0;
    for (const auto& [caption, field] : rows) {
        fields->addWidget(new QLabel(QString::fromUtf8(caption), view), r, 0);
        fields->addWidget(field, r, 1, 1, field == descriptionEdit ? 3 : 1);
        ++r;
    }
    fields->setColumnStretch(3, 1);
    fields->addWidget(new QLabel(QStringLiteral("%"), view), 4, 2);

    cmdUpdate = button(view, "cmdUpdate", QStringLiteral("Grabar"));
    cmdRefresh = button(view, "cmdRefresh", QStringLiteral("Cancelar"));
    cmdrequery = button(view, "cmdrequery", QStringLiteral("Refrescar"));
    if (withNutrientsButton)
        CmdPropiedades = button(view, "CmdPropiedades", QStringLiteral("&Nutrientes"));
    cmdClose = button(view, "cmdClose", QStringLiteral("Salir"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdUpdate, cmdRefresh, cmdrequery, CmdPropiedades, cmdClose}) {
        if (b)
            buttons->addWidget(b);
    }

    auto* layout = new QVBoxLayout(view);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);
    view->resize(560, 240);

    keys::enterMovesOn({codeEdit, descriptionEdit, unitBox, costEdit, dryMatterEdit, stepEdit});
    numericOnLeave(costEdit, texts::kDebeCosto);
}

IngredientFields IngredientForm::typed() const {
    return {codeEdit->text(), descriptionEdit->text(), unitBox->currentText(),
            costEdit->text(), dryMatterEdit->text(),   stepEdit->text()};
}

void IngredientForm::show(const IngredientFields& f, int id) {
    codeEdit->setText(f.codigo);
    descriptionEdit->setText(f.nombre);
    unitBox->setCurrentIndex(unitBox->findText(f.unidad));
    unitBox->setEditText(f.unidad);
    costEdit->setText(f.costo);
    dryMatterEdit->setText(f.materiaSeca);
    stepEdit->setText(f.paso);
    txtid_producto->setText(id > 0 ? QString::number(id) : QString());
}

void IngredientForm::setCodeEditable(bool editable) {
    codeEdit->setReadOnly(!editable);
    codeEdit->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    QPalette palette = codeEdit->palette();
    palette.setColor(QPalette::Base, grid::colorFromLong(editable ? grid::rgbLong(255, 255, 255)
                                                                  : grid::kButtonFace));
    codeEdit->setPalette(palette);
}

} // namespace catalog::views
