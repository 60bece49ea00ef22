#include "workspace/views/frmRecalcular.h"

#include "app/messages.h"
#include "workspace/recalc_quantity.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace workspace {

frmRecalcular::frmRecalcular(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRecalcular"));
    setWindowTitle(QStringLiteral("Recalcular "));

    auto* label = new QLabel(QStringLiteral("Cantidad a elaborar (kg)"), this);
    txt_cantidad_ = new QLineEdit(this);
    txt_cantidad_->setObjectName(QStringLiteral("txt_cantidad"));
    txt_cantidad_->setAlignment(Qt::AlignRight);
    label->setBuddy(txt_cantidad_);
    Text1_ = new QLineEdit(this);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setReadOnly(true);
    Text1_->setFocusPolicy(Qt::NoFocus);

    auto* Option2 = new QGroupBox(this);
    Option2->setObjectName(QStringLiteral("Option2"));
    keepNutrients_ = new QRadioButton(QStringLiteral("Mantener los Nutrientes actuales"), Option2);
    keepNutrients_->setObjectName(QStringLiteral("Option2_0"));
    keepNutrients_->setChecked(true);
    auto* Option2_1 =
        new QRadioButton(QStringLiteral("Incorporar todos los Nutrientes afectados"), Option2);
    Option2_1->setObjectName(QStringLiteral("Option2_1"));
    auto* group = new QButtonGroup(Option2);
    group->addButton(keepNutrients_);
    group->addButton(Option2_1);
    auto* optionLayout = new QVBoxLayout(Option2);
    optionLayout->addWidget(keepNutrients_);
    optionLayout->addWidget(Option2_1);

    auto* Command4 = new QPushButton(QStringLiteral("&Aceptar"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setDefault(true);
    connect(Command4, &QPushButton::clicked, this, &frmRecalcular::confirm);
    auto* Command3 = new QPushButton(QStringLiteral("&Cancelar"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    connect(Command3, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(txt_cantidad_, 0, 1);
    fields->addWidget(Text1_, 0, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command4);
    buttons->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(Option2);
    layout->addLayout(buttons);

    setSecaIng(true);
    txt_cantidad_->setFocus(Qt::OtherFocusReason);
}

frmRecalcular::~frmRecalcular() = default;

void frmRecalcular::setSecaIng(bool ingredientsDry) {
    Text1_->setText(recalcBasisText(ingredientsDry));
}

void frmRecalcular::confirm() {
    const RecalcQuantity q = checkRecalcQuantity(txt_cantidad_->text());
    if (!q.quantity) {
        msg::msgBox(q.message, msg::Critical);
        txt_cantidad_->setFocus(Qt::OtherFocusReason);
        txt_cantidad_->selectAll();
        return;
    }
    answer_ = Recalculation{*q.quantity, keepNutrients_->isChecked()};
    accept();
}

} // namespace workspace
