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
    Text1 = named<QLineEdit>(view, "Text1");
    Text1->setMaxLength(20);
    Text2 = named<QLineEdit>(view, "Text2");
    Text2->setMaxLength(100);
    Combo1 = named<QComboBox>(view, "Combo1");
    Combo1->setEditable(true);
    Combo1->addItems(kIngredientUnits);
    Combo1->setCurrentIndex(-1);
    Text3 = named<QLineEdit>(view, "Text3");
    Text4 = named<QLineEdit>(view, "Text4");
    txtid_producto = named<QLineEdit>(view, "txtid_producto");
    txtid_producto->hide();
    Text3->setAlignment(Qt::AlignRight);
    Text4->setAlignment(Qt::AlignRight);

    auto* fields = new QGridLayout;
    const std::pair<const char*, QWidget*> rows[] = {{"Código", Text1},
                                                     {"Descripción", Text2},
                                                     {"Unidad", Combo1},
                                                     {"Precio Costo", Text3},
                                                     {"Materia Seca", Text4}};
    int r = 0;
    for (const auto& [caption, field] : rows) {
        fields->addWidget(new QLabel(QString::fromUtf8(caption), view), r, 0);
        fields->addWidget(field, r, 1, 1, field == Text2 ? 3 : 1);
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
    view->resize(560, 215);

    keys::enterMovesOn({Text1, Text2, Combo1, Text3, Text4});
    numericOnLeave(Text3, texts::kDebeCosto);
}

IngredientFields IngredientForm::typed() const {
    return {Text1->text(), Text2->text(), Combo1->currentText(), Text3->text(), Text4->text()};
}

void IngredientForm::show(const IngredientFields& f, int id) {
    Text1->setText(f.codigo);
    Text2->setText(f.nombre);
    Combo1->setCurrentIndex(Combo1->findText(f.unidad));
    Combo1->setEditText(f.unidad);
    Text3->setText(f.costo);
    Text4->setText(f.materiaSeca);
    txtid_producto->setText(id > 0 ? QString::number(id) : QString());
}

void IngredientForm::setCodeEditable(bool editable) {
    Text1->setReadOnly(!editable);
    Text1->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, grid::colorFromLong(editable ? grid::rgbLong(255, 255, 255)
                                                                  : grid::kButtonFace));
    Text1->setPalette(palette);
}

} // namespace catalog::views
