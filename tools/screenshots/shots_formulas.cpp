// The formula list on the sample formulas, and the header editor saving a new formula and a new
// version of a sample formula.
#include "tour.h"

#include "formulas/views/frmformulas.h"
#include "formulas/views/frmnueva_formula.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

std::unique_ptr<QWidget> formulaList(tour::Context& c) {
    return std::make_unique<formulas::frmformulas>(c.db, keys::ListMode::Maintain);
}

std::unique_ptr<QWidget> newFormula(tour::Context& c) {
    auto view = std::make_unique<formulas::frmnueva_formula>(c.db, 0, 1000, false, false);
    view->findChild<QLineEdit*>(QStringLiteral("txtFields(0)"))
        ->setText(QStringLiteral("POLLO-FIN"));
    view->findChild<QLineEdit*>(QStringLiteral("txtFields(1)"))
        ->setText(QStringLiteral("Pollo parrillero terminador 4-6 semanas"));
    return view;
}

std::unique_ptr<QWidget> newVersion(tour::Context& c) {
    auto view = std::make_unique<formulas::frmnueva_formula>(c.db, 1, 1000, false, false);
    view->findChild<QCheckBox*>(QStringLiteral("Check1"))->click();
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmformulas"), formulaList, nullptr});
    all.push_back({QStringLiteral("frmnueva_formula"), newFormula, nullptr});
    all.push_back({QStringLiteral("frmnueva_formula_version"), newVersion, nullptr});
});

} // namespace
