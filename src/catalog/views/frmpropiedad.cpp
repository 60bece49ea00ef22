#include "catalog/views/frmpropiedad.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/messages.h"
#include "app/views/keyboard_rules.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/ingredient_search.h"
#include "catalog/views/view_support.h"
#include "store/database.h"
#include "store/revisions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace catalog {

using widgets::button;

frmpropiedad::frmpropiedad(store::Database& db, int id, QWidget* parent)
    : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("frmpropiedad"));
    setWindowTitle(QStringLiteral("Nutrientes"));

    nameEdit = new QLineEdit(this);
    nameEdit->setObjectName(QStringLiteral("Text1"));
    nameEdit->setMaxLength(100);
    // The unit is chosen, never typed: the units the ingredient search filters by, the empty
    // entry meaning none.
    unitBox = new QComboBox(this);
    unitBox->setObjectName(QStringLiteral("Combo1"));
    unitBox->addItems(kFilterUnits);
    unitBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    unitBox->setCurrentIndex(-1);
    txtid_producto = new QLineEdit(this);
    txtid_producto->setObjectName(QStringLiteral("txtid_producto"));
    txtid_producto->hide();
    cmdUpdate = button(this, "cmdUpdate", QStringLiteral("Grabar"));
    cmdRefresh = button(this, "cmdRefresh", QStringLiteral("Cancelar"));
    cmdrequery = button(this, "cmdrequery", QStringLiteral("Refrescar"));
    cmdClose = button(this, "cmdClose", QStringLiteral("Salir"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Descripción"), this), 0, 0);
    fields->addWidget(nameEdit, 0, 1, 1, 2);
    fields->addWidget(new QLabel(QStringLiteral("Unidad"), this), 1, 0);
    fields->addWidget(unitBox, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdUpdate, cmdRefresh, cmdrequery, cmdClose})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(480, 150);

    keys::enterMovesOn({nameEdit, unitBox});
    connect(cmdUpdate, &QPushButton::clicked, this, &frmpropiedad::cmdUpdate_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmpropiedad::cmdRefresh_Click);
    connect(cmdrequery, &QPushButton::clicked, this, &frmpropiedad::cmdrequery_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmpropiedad::reject);

    if (id < 1) {
        isNew_ = true;
        hasRecord_ = true;
    } else {
        id_ = id;
        try {
            revision_ = nutrientRevision(db_, id);
            if (auto stored = loadNutrient(db_, id)) {
                shown_ = *stored;
                hasRecord_ = true;
            } else {
                msg::msgBox(texts::kNoSeEncuentraNutriente, msg::Critical);
            }
        } catch (const store::StoreError& e) {
            views::showDataError(0, e.message());
        }
    }
    showRecord();
}

frmpropiedad::~frmpropiedad() = default;

NutrientFields frmpropiedad::typed() const {
    return {nameEdit->text(), unitBox->currentText()};
}

void frmpropiedad::showRecord() {
    nameEdit->setText(shown_.nombre);
    // A unit stored by another program is offered as it is, so showing the record changes nothing.
    if (unitBox->findText(shown_.unidad) < 0)
        unitBox->addItem(shown_.unidad);
    unitBox->setCurrentIndex(unitBox->findText(shown_.unidad));
    txtid_producto->setText(id_ > 0 ? QString::number(id_) : QString());
}

bool frmpropiedad::pending() const {
    return hasRecord_ && typed() != shown_;
}

bool frmpropiedad::reload() {
    try {
        revision_ = nutrientRevision(db_, id_);
        if (auto stored = loadNutrient(db_, id_)) {
            shown_ = *stored;
            showRecord();
            return true;
        }
        hasRecord_ = false; // deleted meanwhile, by another window
        views::showDataError(app::kErrNoCurrentRecord, texts::kNoSeEncuentraNutriente);
    } catch (const store::StoreError& e) {
        views::showDataError(0, e.message());
    }
    return false;
}

bool frmpropiedad::cmdUpdate_Click() {
    if (!hasRecord_)
        return false;
    const NutrientFields fields = typed();
    if (const auto refusal = checkNutrient(fields)) {
        msg::msgBox(refusal->message, msg::Critical);
        views::focusControl(this, refusal->control);
        return false;
    }
    try {
        if (isNew_) {
            app::BusyPointer busy;
            id_ = createNutrient(db_, fields);
            isNew_ = false;
        } else if (!updateNutrient(db_, id_, fields, revision_)) {
            views::showDataError(app::kErrNoCurrentRecord, texts::kNoSeEncuentraNutriente);
            return false;
        }
    } catch (const store::StaleRowError&) {
        msg::msgBox(kNutrientChangedRefresh, msg::Critical); // this window has Refrescar
        return false;
    } catch (const store::StoreError& e) {
        if (e.message() == texts::kSinId)
            msg::msgBox(texts::kSinId, msg::Critical);
        else
            views::showErrorView(texts::kNoGrabar, e);
        return false;
    }
    reload();
    return true;
}

void frmpropiedad::cmdRefresh_Click() {
    if (!cmdRefresh->isEnabled())
        return;
    if (isNew_) {
        hasRecord_ = false;
        QDialog::reject();
        return;
    }
    if (hasRecord_)
        reload();
}

void frmpropiedad::cmdrequery_Click() {
    if (!cmdrequery->isEnabled() || isNew_ || !hasRecord_)
        return;
    reload();
}

void frmpropiedad::reject() {
    if (pending()) {
        if (msg::msgBox(texts::kDeseaGrabar, msg::Question) == msg::Yes) {
            cmdUpdate_Click();
        } else if (isNew_) {
            hasRecord_ = false;
        } else {
            reload();
        }
        if (pending())
            return;
    }
    QDialog::reject();
}

} // namespace catalog
