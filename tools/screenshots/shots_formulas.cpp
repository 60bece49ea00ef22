// The formula list on the sample formulas, and the header editor saving a new formula and a new
// version of a sample formula.
#include "tour.h"

#include "app/globals.h"
#include "formulas/views/frmformulas.h"
#include "formulas/views/frmnueva_formula.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

std::unique_ptr<QWidget> formulaList(tour::Context& c) {
    app::globals().gModo = app::kModoABM;
    return std::make_unique<formulas::frmformulas>(c.db);
}

std::unique_ptr<QWidget> newFormula(tour::Context& c) {
    app::globals().gIdFormula = 0;
    app::globals().gCantidad = 1000;
    auto view = std::make_unique<formulas::frmnueva_formula>(c.db, false, false);
    view->findChild<QLineEdit*>(QStringLiteral("txtFields(0)"))
        ->setText(QStringLiteral("POLLO-FIN"));
    view->findChild<QLineEdit*>(QStringLiteral("txtFields(1)"))
        ->setText(QStringLiteral("Pollo parrillero terminador 4-6 semanas"));
    return view;
}

std::unique_ptr<QWidget> newVersion(tour::Context& c) {
    app::globals().gIdFormula = 1;
    app::globals().gCantidad = 1000;
    auto view = std::make_unique<formulas::frmnueva_formula>(c.db, false, false);
    view->findChild<QCheckBox*>(QStringLiteral("Check1"))->click();
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmformulas"), formulaList, nullptr});
    all.push_back({QStringLiteral("frmnueva_formula"), newFormula, nullptr});
    all.push_back({QStringLiteral("frmnueva_formula_version"), newVersion, nullptr});
});

} // namespace
