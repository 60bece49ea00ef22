// The ranging of the sample broiler starter: fish meal's price from 0 to twice today's, and the
// crude protein minimum from half to one and a half times today's.
#include "tour.h"

#include "formulas/formula_lookup.h"
#include "optimizer/ranging_target.h"
#include "optimizer/views/frmRangos.h"

#include <stdexcept>

namespace {

std::unique_ptr<QWidget> ranging(tour::Context& c, bool price) {
    const int id = formulas::findFormula(c.db, {QStringLiteral("POLLO-INI"), std::nullopt, 0});
    const std::optional<optimizer::StoredBlend> formula = optimizer::loadStoredBlend(c.db, id);
    if (!formula)
        throw std::runtime_error("the broiler starter cannot be formulated");
    QString error;
    const std::optional<optimizer::RangingTarget> target =
        price ? optimizer::priceTarget(formula->blend, QStringLiteral("Harina de pescado"), &error)
              : optimizer::limitTarget(formula->blend,
                                       QStringLiteral("nutriente:Proteína bruta:minimo"), &error);
    if (!target)
        throw std::runtime_error(error.toStdString());
    return std::make_unique<optimizer::frmRangos>(formula->blend, *target, formula->units);
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back(
        {QStringLiteral("frmRangos"), [](tour::Context& c) { return ranging(c, true); }, nullptr});
    all.push_back({QStringLiteral("frmRangos_proteina"),
                   [](tour::Context& c) { return ranging(c, false); }, nullptr});
});

} // namespace
