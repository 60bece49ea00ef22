#include "catalog/views/frmproducto.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/price_history.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/ingredient_form.h"
#include "catalog/views/view_support.h"
#include "store/database.h"
#include "store/revisions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace catalog {

frmproducto::frmproducto(store::Database& db, int id, QWidget* parent)
    : QDialog(parent), db_(db), form_(std::make_unique<views::IngredientForm>(this, true)) {
    setObjectName(QStringLiteral("frmproducto"));
    setWindowTitle(QStringLiteral("Ingredientes"));
    connect(form_->cmdUpdate, &QPushButton::clicked, this, &frmproducto::cmdUpdate_Click);
    connect(form_->cmdRefresh, &QPushButton::clicked, this, &frmproducto::cmdRefresh_Click);
    connect(form_->cmdrequery, &QPushButton::clicked, this, &frmproducto::cmdrequery_Click);
    connect(form_->CmdPropiedades, &QPushButton::clicked, this, &frmproducto::CmdPropiedades_Click);
    connect(form_->cmdClose, &QPushButton::clicked, this, &frmproducto::reject);

    // The last prices go between the fields and the buttons.
    auto* lblHistorial = widgets::named<QLabel>(this, "lblHistorial");
    lblHistorial->setText(QStringLiteral("Últimos precios:"));
    auto* flexHistorial = widgets::named<QTableWidget>(this, "flexHistorial");
    flexHistorial->setFocusPolicy(Qt::NoFocus);
    historial_ = new GridBinding(flexHistorial);
    historial_->setFitCaptions(true);
    historial_->setFitContents(true);
    historial_->setFillColumn(3);
    if (auto* box = qobject_cast<QVBoxLayout*>(layout())) {
        // The grid takes the height the fields leave, instead of the form's blank stretch.
        for (int i = box->count() - 1; i >= 0; --i)
            if (QLayoutItem* item = box->itemAt(i); item->spacerItem())
                delete box->takeAt(i);
        box->insertWidget(1, lblHistorial);
        box->insertWidget(2, flexHistorial, 1);
    }
    resize(560, 430);

    if (id < 1) {
        isNew_ = true;
        hasRecord_ = true;
        form_->setCodeEditable(true);
        form_->CmdPropiedades->setEnabled(false);
        showRecord();
        return;
    }
    form_->setCodeEditable(false);
    try {
        if (auto stored = loadIngredient(db_, id)) {
            record_ = *stored;
            hasRecord_ = true;
        } else {
            msg::msgBox(texts::kNoSeEncuentraProducto, msg::Critical);
        }
    } catch (const store::StoreError& e) {
        views::showDataError(0, e.message());
    }
    form_->CmdPropiedades->setEnabled(hasRecord_);
    showRecord();
}

frmproducto::~frmproducto() = default;

void frmproducto::showRecord() {
    form_->show(record_.shown, record_.id);
    showPriceHistory();
}

void frmproducto::showPriceHistory() {
    std::vector<PriceEntry> entries;
    if (hasRecord_ && record_.id > 0) {
        try {
            entries = lastPrices(db_, record_.id);
        } catch (const store::StoreError&) {
            // The history only informs: an editor that cannot read it still edits.
        }
    }
    historial_->show(priceHistoryGrid(entries));
    historial_->setNoMatchVisible(false);
}

bool frmproducto::pending() const {
    return hasRecord_ && form_->typed() != record_.shown;
}

bool frmproducto::reload() {
    try {
        if (auto stored = loadIngredient(db_, record_.id)) {
            record_ = *stored;
            showRecord();
            return true;
        }
        hasRecord_ = false; // deleted meanwhile, by another window
        views::showDataError(app::kErrNoCurrentRecord, texts::kNoSeEncuentraProducto);
    } catch (const store::StoreError& e) {
        views::showDataError(0, e.message());
    }
    return false;
}

void frmproducto::markStored() {
    isNew_ = false;
    form_->setCodeEditable(false);
    form_->CmdPropiedades->setEnabled(true);
}

bool frmproducto::cmdUpdate_Click() {
    if (!hasRecord_)
        return false;
    const IngredientFields typed = form_->typed();
    if (const auto refusal = checkIngredient(typed)) {
        msg::msgBox(refusal->message, msg::Critical);
        views::focusControl(this, refusal->control);
        return false;
    }
    const IngredientValues values = valuesToStore(typed, record_);
    try {
        if (isNew_) {
            app::BusyPointer busy;
            const CreateResult created = createIngredient(db_, values);
            if (created.refusal) {
                busy.release();
                msg::msgBox(created.refusal->message, msg::Critical);
                views::focusControl(this, created.refusal->control);
                return false;
            }
            record_.id = created.id;
        } else if (!updateIngredient(db_, record_.id, values, record_.revision)) {
            views::showDataError(app::kErrNoCurrentRecord, texts::kNoSeEncuentraProducto);
            return false;
        }
    } catch (const store::StaleRowError&) {
        msg::msgBox(kIngredientChangedRefresh, msg::Critical); // this window has Refrescar
        return false;
    } catch (const store::StoreError& e) {
        if (e.message() == texts::kSinId)
            msg::msgBox(texts::kSinId, msg::Critical);
        else
            views::showErrorView(texts::kNoGrabar, e);
        return false;
    }
    markStored();
    reload();
    return true;
}

void frmproducto::cmdRefresh_Click() {
    if (!form_->cmdRefresh->isEnabled())
        return;
    if (isNew_) {
        // The new ingredient was never stored: discarding it leaves nothing to show.
        hasRecord_ = false;
        QDialog::reject();
        return;
    }
    if (hasRecord_)
        reload();
}

void frmproducto::cmdrequery_Click() {
    if (!form_->cmdrequery->isEnabled() || isNew_ || !hasRecord_)
        return;
    reload();
}

void frmproducto::CmdPropiedades_Click() {
    if (isNew_ || !hasRecord_)
        return;
    frmproducto_propiedades values(db_, record_.id);
    values.setWindowTitle(record_.shown.nombre);
    widgets::openModal(values);
}

void frmproducto::reject() {
    if (pending()) {
        if (msg::msgBox(texts::kDeseaGrabar, msg::Question) == msg::Yes) {
            cmdUpdate_Click();
        } else if (isNew_) {
            hasRecord_ = false;
        } else {
            reload();
        }
        if (pending())
            return; // a check refused the changes: the view stays open
    }
    QDialog::reject();
}

} // namespace catalog
