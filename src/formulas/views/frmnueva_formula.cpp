#include "formulas/views/frmnueva_formula.h"

#include "app/grid_style.h"
#include "app/messages.h"
#include "app/views/keyboard_rules.h"
#include "formulas/formula_messages.h"
#include "store/database.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace formulas {

namespace {

QLineEdit* field(QWidget* parent, const QString& name, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    return box;
}

void paintBackground(QLineEdit* box, long colour) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, grid::colorFromLong(colour));
    box->setPalette(palette);
}

} // namespace

frmnueva_formula::frmnueva_formula(store::Database& db, int formulaId, double cantidad,
                                   bool ingredientsDry, bool nutrientsDry, QWidget* parent)
    : QDialog(parent), db_(db), formulaId_(formulaId), cantidad_(cantidad),
      ingredientsDry_(ingredientsDry), nutrientsDry_(nutrientsDry) {
    setObjectName(QStringLiteral("frmnueva_formula"));
    setWindowTitle(texts::kEditorCaption);
    buildControls();

    try {
        opened_ = openHeader(db_, formulaId_);
    } catch (const store::StoreError&) {
        opened_.formulaId = -1;
        opened_.message = texts::kCannotSave;
    }
    if (opened_.formulaId == -1) {
        msg::msgBox(opened_.message, msg::Critical);
        // Nothing will be written: the workspace must not write rows under a header that does
        // not exist, so the result is "cancelled".
        formulaId_ = 0;
        return;
    }
    lastCodeEdit->setText(opened_.lastCode);
    code_->setText(opened_.code);
    product_->setText(opened_.product);
    version_->setText(opened_.versionLoaded);
    code_->setEnabled(opened_.isNew);
    paintBackground(code_, opened_.isNew ? grid::kWhite : grid::kButtonFace);
    Check1->setEnabled(!opened_.isNew);
}

frmnueva_formula::~frmnueva_formula() = default;

void frmnueva_formula::buildControls() {
    code_ = field(this, QStringLiteral("txtFields(0)"), 20);
    product_ = field(this, QStringLiteral("txtFields(1)"), 100);
    version_ = field(this, QStringLiteral("txtFields(2)"), 10);
    version_->setReadOnly(true);
    version_->setFocusPolicy(Qt::NoFocus);
    lastCodeEdit = field(this, QStringLiteral("Text1"), 20);
    lastCodeEdit->setReadOnly(true);
    lastCodeEdit->setFocusPolicy(Qt::NoFocus);
    Check1 = new QCheckBox(texts::kNewVersionCheck, this);
    Check1->setObjectName(QStringLiteral("Check1"));
    cmdUpdate = new QPushButton(QStringLiteral("&Grabar"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdRefresh = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    for (QPushButton* b : {cmdUpdate, cmdRefresh})
        b->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Código"), this), 0, 0);
    layout->addWidget(code_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Último"), this), 0, 2);
    layout->addWidget(lastCodeEdit, 0, 3);
    layout->addWidget(new QLabel(QStringLiteral("Producto"), this), 1, 0);
    layout->addWidget(product_, 1, 1, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Versión"), this), 2, 0);
    layout->addWidget(version_, 2, 1);
    layout->addWidget(Check1, 3, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdRefresh);
    layout->addLayout(buttons, 4, 0, 1, 4);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
    resize(520, layout->sizeHint().height());

    keys::enterMovesOn({code_, product_});
    connect(Check1, &QCheckBox::clicked, this, &frmnueva_formula::Check1_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmnueva_formula::cmdUpdate_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmnueva_formula::cmdRefresh_Click);
}

void frmnueva_formula::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (closesAtOnce()) {
        QTimer::singleShot(0, this, &QDialog::reject);
        return;
    }
    (opened_.isNew ? code_ : product_)->setFocus(Qt::OtherFocusReason);
}

void frmnueva_formula::Check1_Click() {
    version_->setText(Check1->isChecked() ? opened_.nextVersion : opened_.versionLoaded);
}

HeaderInput frmnueva_formula::answer() const {
    HeaderInput in;
    in.code = code_->text();
    in.product = product_->text();
    in.newVersion = !opened_.isNew && Check1->isChecked();
    in.cantidad = cantidad_;
    in.secaIng = ingredientsDry_;
    in.secaNut = nutrientsDry_;
    in.today = QDate::currentDate();
    return in;
}

void frmnueva_formula::cmdUpdate_Click() {
    if (closesAtOnce())
        return;
    const std::optional<SaveOutcome> refusal = checkHeader(db_, opened_, answer());
    if (refusal) {
        msg::msgBox(refusal->message, msg::Critical);
        QLineEdit* focus = refusal->focus == kFocusCode      ? code_
                           : refusal->focus == kFocusProduct ? product_
                                                             : nullptr;
        if (focus) {
            focus->activateWindow();
            focus->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    accept();
}

void frmnueva_formula::cmdRefresh_Click() {
    reject();
}

// Esc and the window's close button cancel too: the workspace must not take the formula it
// loaded as written.
void frmnueva_formula::reject() {
    formulaId_ = 0;
    QDialog::reject();
}

} // namespace formulas
