#include "catalog/views/frmComoProducto.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "catalog/catalog_texts.h"
#include "catalog/composition.h"
#include "catalog/views/ingredient_form.h"
#include "catalog/views/view_support.h"
#include "store/database.h"
#include "workspace/workspace.h"

#include <QPushButton>

namespace catalog {

namespace {

std::vector<MixNutrientValue> mixValues(const workspace::Workspace& ws) {
    std::vector<MixNutrientValue> values;
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        values.push_back({n.id, n.valor});
    return values;
}

} // namespace

frmComoProducto::frmComoProducto(store::Database& db, const workspace::Workspace& ws,
                                 QWidget* parent)
    : QDialog(parent), db_(db), ws_(ws),
      form_(std::make_unique<views::IngredientForm>(this, false)) {
    setObjectName(QStringLiteral("frmComoProducto"));
    setWindowTitle(QStringLiteral("Ingredientes"));
    connect(form_->cmdUpdate, &QPushButton::clicked, this, &frmComoProducto::cmdUpdate_Click);
    connect(form_->cmdRefresh, &QPushButton::clicked, this, &frmComoProducto::cmdRefresh_Click);
    connect(form_->cmdClose, &QPushButton::clicked, this, &frmComoProducto::reject);

    // Always a new ingredient, opened with the mix's cost and dry matter.
    record_.costo = ws.vCostoHumeda;
    record_.materiaSeca = ws.vMateriaSeca;
    record_.shown.costo = costText(ws.vCostoHumeda);
    record_.shown.materiaSeca = fmt::format(ws.vMateriaSeca, QStringLiteral("#####0.00"));
    form_->setCodeEditable(true);
    form_->show(record_.shown, 0);
}

frmComoProducto::~frmComoProducto() = default;

bool frmComoProducto::pending() const {
    return hasRecord_ && form_->typed() != record_.shown;
}

bool frmComoProducto::cmdUpdate_Click() {
    const IngredientFields typed = form_->typed();
    if (const auto refusal = checkIngredient(typed)) {
        msg::msgBox(refusal->message, msg::Critical);
        views::focusControl(this, refusal->control);
        return false;
    }
    try {
        app::BusyPointer busy;
        const CreateResult created =
            createIngredient(db_, valuesToStore(typed, record_),
                             mixComposition(mixValues(ws_), ws_.nutrientsDry, ws_.vMateriaSeca));
        if (created.refusal) {
            busy.release();
            msg::msgBox(created.refusal->message, msg::Critical);
            views::focusControl(this, created.refusal->control);
            return false;
        }
        savedId_ = created.id;
    } catch (const store::StoreError& e) {
        if (e.message() == texts::kSinId)
            msg::msgBox(texts::kSinId, msg::Critical);
        else
            views::showErrorView(texts::kNoGrabar, e);
        return false;
    }
    hasRecord_ = false;
    accept();
    return true;
}

void frmComoProducto::cmdRefresh_Click() {
    // The new ingredient is discarded: nothing is left to show.
    hasRecord_ = false;
    QDialog::reject();
}

void frmComoProducto::reject() {
    if (pending()) {
        if (msg::msgBox(texts::kDeseaGrabar, msg::Question) == msg::Yes) {
            cmdUpdate_Click(); // closes once saved; a refused check keeps the view open
            return;
        }
        hasRecord_ = false;
    }
    QDialog::reject();
}

} // namespace catalog
