#include "blend_generator.h"
#include "example_blends.h"
#include "glpk_reference.h"
#include "optimizer/engine/engine.h"
#include "optimizer/engine/ranging.h"
#include "optimizer/engine/tableau.h"
#include "sample_catalogue.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <functional>
#include <string>

namespace lp {
namespace {

// The blend solved from scratch: what every interval of a ranging is held against.
struct Point {
    bool feasible = false;
    double cost = 0;
    std::vector<double> asFed; // quantity as fed of each ingredient
};

Point resolve(const Blend& b) {
    const SolvedBlend run = assembleAndSolve(b);
    Point p;
    p.feasible = run.result.outcome == Outcome::Optimum;
    p.cost = -run.tableau.at(0, run.tableau.rhs()) * b.cantidad;
    for (const BatchLine& line : batchLines(b, shares(run.tableau)))
        p.asFed.push_back(line.cantidadHumeda);
    return p;
}

double costAt(const RangingInterval& r, double t) {
    return r.costoDesde + r.pendiente * (t - r.desde);
}

double tolerance(double v) {
    return 1e-6 * std::max(1.0, std::abs(v));
}

// Checks one ranging against re-solving: end-to-end intervals with a continuous cost, concave in
// a price and convex in a limit; at every midpoint the cost and the slope (the price's ingredient
// quantity, or the limit's shadow price by a central difference) and just either side of every
// breakpoint the cost and quantity; an infeasible end is infeasible just past it and feasible
// just before it. Returns the number of intervals.
size_t checkRanging(const Blend& blend, const BlendParameter& at, const Ranging& r, double desde,
                    double hasta, std::optional<size_t> priceOf, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(r.status, RangingStatus::Ok);
    if (r.status != RangingStatus::Ok || r.tramos.empty()) {
        ADD_FAILURE() << "no intervals";
        return 0;
    }
    const double scale = std::max({std::abs(desde), std::abs(hasta), hasta - desde});
    const auto& tr = r.tramos;
    EXPECT_NEAR(tr.front().desde, r.infactibleHasta.value_or(desde), 1e-9 * scale);
    EXPECT_NEAR(tr.back().hasta, r.infactibleDesde.value_or(hasta), 1e-9 * scale);
    for (size_t k = 0; k < tr.size(); ++k) {
        const RangingInterval& i = tr[k];
        EXPECT_LT(i.desde, i.hasta);
        EXPECT_NEAR(i.costoHasta, costAt(i, i.hasta), tolerance(i.costoHasta));
        if (k + 1 < tr.size()) {
            EXPECT_EQ(i.hasta, tr[k + 1].desde);
            EXPECT_NEAR(i.costoHasta, tr[k + 1].costoDesde, tolerance(i.costoHasta));
            if (priceOf)
                EXPECT_GE(i.pendiente, tr[k + 1].pendiente - tolerance(i.pendiente));
            else
                EXPECT_LE(i.pendiente, tr[k + 1].pendiente + tolerance(i.pendiente));
        }
        const double mid = (i.desde + i.hasta) / 2;
        const Point m = resolve(at(blend, mid));
        EXPECT_TRUE(m.feasible) << "at " << mid;
        EXPECT_NEAR(m.cost, costAt(i, mid), tolerance(m.cost)) << "at " << mid;
        if (priceOf) {
            EXPECT_NEAR(m.asFed[*priceOf], i.pendiente, tolerance(i.pendiente)) << "at " << mid;
        } else if (i.hasta - i.desde > 1e-6 * scale) {
            const double h = (i.hasta - i.desde) / 4;
            const double slope =
                (resolve(at(blend, mid + h)).cost - resolve(at(blend, mid - h)).cost) / (2 * h);
            EXPECT_NEAR(slope, i.pendiente, tolerance(i.pendiente) + 1e-9 * m.cost / h)
                << "at " << mid;
        }
        if (k + 1 == tr.size())
            continue;
        const RangingInterval& next = tr[k + 1];
        const double eps =
            std::min({1e-5 * scale, (i.hasta - i.desde) / 4, (next.hasta - next.desde) / 4});
        if (eps < 1e-9 * scale)
            continue;
        const Point before = resolve(at(blend, i.hasta - eps));
        const Point after = resolve(at(blend, i.hasta + eps));
        EXPECT_NEAR(before.cost, costAt(i, i.hasta - eps), tolerance(before.cost));
        EXPECT_NEAR(after.cost, costAt(next, i.hasta + eps), tolerance(after.cost));
        if (priceOf) {
            EXPECT_NEAR(before.asFed[*priceOf], i.pendiente, tolerance(i.pendiente));
            EXPECT_NEAR(after.asFed[*priceOf], next.pendiente, tolerance(next.pendiente));
        }
    }
    const double eps = 1e-6 * scale;
    if (r.infactibleDesde) {
        EXPECT_FALSE(resolve(at(blend, *r.infactibleDesde + eps)).feasible);
        EXPECT_TRUE(resolve(at(blend, *r.infactibleDesde - eps)).feasible);
    }
    if (r.infactibleHasta) {
        EXPECT_FALSE(resolve(at(blend, *r.infactibleHasta - eps)).feasible);
        EXPECT_TRUE(resolve(at(blend, *r.infactibleHasta + eps)).feasible);
    }
    return tr.size();
}

BlendParameter priceParameter(size_t i) {
    return [i](const Blend& b, double v) { return withPrice(b, i, v); };
}

BlendParameter limitParameter(const LimitRef& limit) {
    return [limit](const Blend& b, double v) { return withLimit(b, limit, v); };
}

// Whether the blend's nutrient limits lie inside the rows' coefficients (as-fed shares,
// dry-basis limits).
bool limitsInCoefficients(const Blend& b) {
    return !b.secaIng && b.secaNut;
}

const RangingInterval& intervalAt(const Ranging& r, double t) {
    for (const RangingInterval& i : r.tramos)
        if (i.desde <= t && t <= i.hasta)
            return i;
    static const RangingInterval none{};
    ADD_FAILURE() << "no interval holds " << t;
    return none;
}

TEST(Ranging, WorkedExampleByHand) {
    // Protein: 9 + 27 x_B >= minimum, so B comes in at a minimum of 9 and the mix runs out at 36;
    // each point of protein costs 2000 / 27 in between. (The band of the sum of shares adds a
    // stretch of a few parts in 1e8 before the end, where the sum rises to its upper edge.)
    const Blend b = examples::twoIngredientBlend();
    const LimitRef protein{LimitRef::Nutrient, LimitRef::Minimum, 0};
    const Ranging limit = rangeLimit(b, protein, 0, 50);
    ASSERT_EQ(limit.status, RangingStatus::Ok);
    ASSERT_GE(limit.tramos.size(), 2u);
    EXPECT_NEAR(limit.tramos[0].hasta, 9, 1e-6);
    EXPECT_NEAR(limit.tramos[0].pendiente, 0, 1e-9);
    EXPECT_NEAR(limit.tramos[0].costoDesde, 1000, 1e-4);
    EXPECT_NEAR(limit.tramos[1].hasta, 36, 1e-6);
    EXPECT_NEAR(limit.tramos[1].pendiente, 2000.0 / 27, 1e-6);
    EXPECT_NEAR(limit.tramos[1].costoHasta, 3000, 1e-4);
    EXPECT_NEAR(intervalAt(limit, 20).mezcla[1], 0, 1e-9); // at 9, B starts coming in
    EXPECT_NEAR(intervalAt(limit, 20).mezclaHasta[1], 1, 1e-7);
    ASSERT_TRUE(limit.infactibleDesde);
    EXPECT_NEAR(*limit.infactibleDesde, 36, 1e-5);
    EXPECT_FALSE(limit.infactibleHasta);
    checkRanging(b, limitParameter(protein), limit, 0, 50, std::nullopt, "protein");

    // A's price: 16/27 of the batch of 100 while A costs under B's 30, none above.
    const Ranging price = rangePrice(b, 0, 0, 50);
    EXPECT_NEAR(intervalAt(price, 15).pendiente, 1600.0 / 27, 1e-5);
    EXPECT_NEAR(intervalAt(price, 29.9).hasta, 30, 1e-6);
    EXPECT_NEAR(intervalAt(price, 40).pendiente, 0, 1e-9);
    EXPECT_NEAR(price.tramos.back().costoHasta, 3000, 1e-4);
    EXPECT_NEAR(intervalAt(price, 15).mezcla[1], 11.0 / 27, 1e-7);
    EXPECT_NEAR(intervalAt(price, 40).mezcla[1], 1, 1e-7);
    checkRanging(b, priceParameter(0), price, 0, 50, 0, "price of A");

    // A range that starts where no mix exists: found from its other end.
    const Ranging late = rangeLimit(b, protein, 40, 0);
    EXPECT_EQ(late.status, RangingStatus::Failed); // an empty range is refused
    const Ranging high = rangeLimit(b, protein, 30, 45);
    ASSERT_EQ(high.status, RangingStatus::Ok);
    EXPECT_NEAR(*high.infactibleDesde, 36, 1e-5);
    EXPECT_EQ(rangeLimit(b, protein, 37, 45).status, RangingStatus::Infeasible);

    // A maximum ranged upward from where it cannot hold: infeasible below 9 (A alone).
    Blend capped = b;
    capped.nutrients[0] = {7, "Proteína", std::nullopt, 5.0};
    const LimitRef cap{LimitRef::Nutrient, LimitRef::Maximum, 0};
    const Ranging up = rangeLimit(capped, cap, 0, 30);
    ASSERT_EQ(up.status, RangingStatus::Ok);
    ASSERT_TRUE(up.infactibleHasta);
    EXPECT_NEAR(*up.infactibleHasta, 9, 1e-5);
    checkRanging(capped, limitParameter(cap), up, 0, 30, std::nullopt, "protein cap");
}

TEST(Ranging, SampleDietsAgreeWithResolving) {
    const sample::Catalogue cat;
    size_t intervals = 0;
    for (const std::string& code : cat.formulaCodes()) {
        const Blend b = cat.blend(code);
        for (size_t i = 0; i < b.ingredients.size(); ++i) {
            const double p = b.ingredients[i].costoHumeda;
            const Ranging r = rangePrice(b, i, 0, 3 * p + 0.1);
            intervals += checkRanging(b, priceParameter(i), r, 0, 3 * p + 0.1, i,
                                      code + " price of " + b.ingredients[i].nombre);
        }
        for (const LimitRef& limit : userLimits(b)) {
            const double v = *limitValue(b, limit);
            const bool nutrient = limit.kind == LimitRef::Nutrient;
            const double desde = nutrient ? 0.5 * v : 0;
            const double hasta = nutrient ? 1.5 * v + 0.01 : std::max(2 * v, 0.2 * b.cantidad);
            const Ranging r = rangeLimit(b, limit, desde, hasta);
            if ((nutrient && limitsInCoefficients(b)) || limit.kind == LimitRef::Ratio) {
                EXPECT_EQ(r.status, RangingStatus::NotLinear);
                continue;
            }
            const std::string name = rowLabel(b, limit);
            intervals += checkRanging(b, limitParameter(limit), r, desde, hasta, std::nullopt,
                                      code + " limit of " + name);
        }
    }
    EXPECT_GT(intervals, 200u); // the ranges cross many breakpoints
}

TEST(Ranging, RandomBlendsAgreeWithResolving) {
    const std::vector<std::pair<int, int>> sizes = {{8, 4}, {25, 12}, {60, 30}, {200, 100}};
    for (size_t s = 0; s < sizes.size(); ++s)
        for (int seed = 0; seed < (sizes[s].first >= 200 ? 1 : 4); ++seed) {
            generator::Rng rng(1000 * s + seed);
            generator::Shape shape;
            shape.ingredients = sizes[s].first;
            shape.nutrients = sizes[s].second;
            shape.secaIng = seed % 2 == 1;
            shape.secaNut = seed % 2 == 1;
            const Blend b = generator::randomBlend(rng, shape);
            const std::string what =
                std::to_string(shape.ingredients) + " seed " + std::to_string(seed);
            const size_t i = static_cast<size_t>(rng.integer(0, shape.ingredients - 1));
            const double p = b.ingredients[i].costoHumeda;
            checkRanging(b, priceParameter(i), rangePrice(b, i, 0, 4 * p), 0, 4 * p, i,
                         what + " price");
            const std::vector<LimitRef> limits = userLimits(b);
            const LimitRef limit = limits[static_cast<size_t>(rng.integer(0, shape.nutrients - 1))];
            const double v = *limitValue(b, limit);
            checkRanging(b, limitParameter(limit), rangeLimit(b, limit, 0.5 * v, 2 * v), 0.5 * v,
                         2 * v, std::nullopt, what + " limit");
        }
}

TEST(Ranging, LimitsInsideCoefficientsAreNotRangedAsLines) {
    Blend b = examples::twoIngredientBlend();
    b.secaNut = true;
    const LimitRef protein{LimitRef::Nutrient, LimitRef::Minimum, 0};
    EXPECT_EQ(rangeLimit(b, protein, 0, 50).status, RangingStatus::NotLinear);
    // Prices and ingredient limits still move only costs and right-hand sides there.
    EXPECT_EQ(rangePrice(b, 0, 0, 50).status, RangingStatus::Ok);
    const LimitRef minA{LimitRef::Ingredient, LimitRef::Minimum, 0};
    const Ranging r = rangeLimit(b, minA, 0, 100);
    checkRanging(b, limitParameter(minA), r, 0, 100, std::nullopt, "minimum of A");
}

// A group's minimum is a right-hand side: B alone is in the group, protein already asks for
// 1100/27 of it in a batch of 100, so the minimum binds from there on at B's extra 20 a unit
// until the batch is all B. A ratio's bound is inside its rows and is not ranged.
TEST(Ranging, GroupAndRatioLimitsByHand) {
    Blend b = examples::twoIngredientBlend();
    b.groups = {{3, "Proteicos", {2}, 10.0, std::nullopt}};
    const LimitRef group{LimitRef::Group, LimitRef::Minimum, 0};
    const Ranging r = rangeLimit(b, group, 0, 120);
    ASSERT_EQ(r.status, RangingStatus::Ok);
    EXPECT_NEAR(r.tramos[0].hasta, 1100.0 / 27, 1e-6);
    EXPECT_NEAR(r.tramos[0].pendiente, 0, 1e-9);
    EXPECT_NEAR(intervalAt(r, 70).pendiente, 20, 1e-6);
    EXPECT_NEAR(intervalAt(r, 70).costoDesde, 1000 + 2000 * 11.0 / 27, 1e-4);
    ASSERT_TRUE(r.infactibleDesde);
    EXPECT_NEAR(*r.infactibleDesde, 100, 1e-5);
    checkRanging(b, limitParameter(group), r, 0, 120, std::nullopt, "group minimum");
    // The price of A with the group's minimum at 60: B stays at 60 while A is dearer than 30.
    b.groups[0].minimo = 60.0;
    const Ranging price = rangePrice(b, 0, 0, 50);
    EXPECT_NEAR(intervalAt(price, 15).pendiente, 40, 1e-5); // the band of the sum of shares
    EXPECT_NEAR(intervalAt(price, 40).pendiente, 0, 1e-9);
    checkRanging(b, priceParameter(0), price, 0, 50, 0, "price of A with a group");

    b.nutrients.push_back({8, "Calcio", std::nullopt, std::nullopt});
    b.valor.push_back({1, 2});
    b.ratios = {{7, 8, "", 5.0, std::nullopt}};
    const LimitRef ratio{LimitRef::Ratio, LimitRef::Minimum, 0};
    EXPECT_EQ(rangeLimit(b, ratio, 1, 30).status, RangingStatus::NotLinear);
}

// Random blends with ratio and group rows: prices, every group limit and a nutrient limit agree
// with re-solving; no ratio limit is ranged as lines.
TEST(Ranging, RandomBlendsWithRatioAndGroupRows) {
    const std::vector<std::pair<int, int>> sizes = {{10, 5}, {30, 12}, {80, 30}, {200, 100}};
    size_t groupLimits = 0, ratioLimits = 0;
    for (size_t s = 0; s < sizes.size(); ++s)
        for (int seed = 0; seed < (sizes[s].first >= 200 ? 1 : 3); ++seed) {
            generator::Rng rng(7000 + 100 * s + seed);
            generator::Shape shape;
            shape.ingredients = sizes[s].first;
            shape.nutrients = sizes[s].second;
            shape.secaIng = seed == 1;
            shape.secaNut = seed == 1;
            shape.ratios = 3;
            shape.groups = 4;
            const Blend b = generator::randomBlend(rng, shape);
            if (!resolve(b).feasible)
                continue;
            const std::string what =
                std::to_string(shape.ingredients) + " seed " + std::to_string(seed);
            for (int k = 0; k < 2; ++k) {
                const size_t i = static_cast<size_t>(rng.integer(0, shape.ingredients - 1));
                const double p = b.ingredients[i].costoHumeda;
                checkRanging(b, priceParameter(i), rangePrice(b, i, 0, 4 * p), 0, 4 * p, i,
                             what + " price of " + b.ingredients[i].nombre);
            }
            const LimitRef protein = userLimits(b).front();
            const double pv = *limitValue(b, protein);
            checkRanging(b, limitParameter(protein), rangeLimit(b, protein, 0.5 * pv, 2 * pv),
                         0.5 * pv, 2 * pv, std::nullopt, what + " " + rowLabel(b, protein));
            for (const LimitRef& limit : userLimits(b)) {
                if (limit.kind == LimitRef::Ratio) {
                    EXPECT_EQ(rangeLimit(b, limit, 0.1, 10).status, RangingStatus::NotLinear);
                    ++ratioLimits;
                }
                if (limit.kind != LimitRef::Group)
                    continue;
                const double v = *limitValue(b, limit);
                const double hasta = std::max(2 * v, 0.2 * b.cantidad);
                checkRanging(b, limitParameter(limit), rangeLimit(b, limit, 0, hasta), 0, hasta,
                             std::nullopt, what + " " + rowLabel(b, limit));
                ++groupLimits;
            }
        }
    EXPECT_GT(groupLimits, 30u);
    EXPECT_GT(ratioLimits, 20u);
}

// Runs `check` in a child process that is stopped after `seconds`: a ranging that never ends fails
// the test instead of hanging it. True when the child ended in time and `check` held.
bool holdsWithin(unsigned seconds, const std::function<bool()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return false;
    if (WIFSIGNALED(status))
        ADD_FAILURE() << "stopped by signal " << WTERMSIG(status) << " (still running after "
                      << seconds << " s)";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Spans whose inner points or costs overflow a double, or whose ends lie so far out that reaching
// them rounds away the blend's own costs, are refused at once; each runs in a child stopped
// after 20 s.
TEST(Ranging, HugeSpansEndAtOnce) {
    const sample::Catalogue cat;
    const Blend b = cat.blend("POLLO-INI");
    const std::vector<std::pair<double, double>> refused = {
        {0, 1e308},     {0, 9e307},      {0, 1.7e308}, {-1e308, 0},
        {1e300, 1e308}, {-1e308, 1e308}, {0, 5e307},   {0, 1e300}};
    for (size_t i = 0; i < 4 && i < b.ingredients.size(); ++i)
        for (const auto& [desde, hasta] : refused) {
            SCOPED_TRACE(b.ingredients[i].nombre + " " + std::to_string(desde) + " .. " +
                         std::to_string(hasta));
            EXPECT_TRUE(holdsWithin(20, [&] {
                return rangePrice(b, i, desde, hasta).status == RangingStatus::TooWide;
            }));
        }
    // A maximum of an ingredient ranged up to 1e308 moves right-hand sides, not costs: the same.
    const LimitRef cap{LimitRef::Ingredient, LimitRef::Maximum, 0};
    EXPECT_TRUE(holdsWithin(
        20, [&] { return rangeLimit(b, cap, 0, 1e308).status == RangingStatus::TooWide; }));
    // A wide span whose round-off stays within tolerance is ranged end to end, as re-solving says.
    checkRanging(b, priceParameter(0), rangePrice(b, 0, 0, 1e5), 0, 1e5, 0, "maize up to 1e5");
}

// An ingredient's maximum ranged from 0 up: wherever the blend with that maximum at 0 has a mix
// (GLPK, confirmed in exact arithmetic), the first interval starts at 0 and no value below which
// no mix exists is reported; where it has none, that value is a real one.
TEST(Ranging, MaximumRangedFromZeroStartsThereWhenFeasible) {
    int startsAtZero = 0, infeasibleAtZero = 0;
    for (int seed = 0; seed < 24; ++seed) {
        generator::Rng rng(4200 + seed);
        generator::Shape shape;
        shape.ingredients = 12 + 4 * (seed % 4);
        shape.nutrients = 6 + seed % 5;
        shape.secaIng = seed % 3 == 1;
        shape.secaNut = shape.secaIng;
        shape.withMaximum = 0.4;
        const Blend b = generator::randomBlend(rng, shape);
        if (!resolve(b).feasible)
            continue;
        for (const LimitRef& limit : userLimits(b)) {
            if (limit.kind != LimitRef::Ingredient || limit.side != LimitRef::Maximum)
                continue;
            const double hasta = std::max(2 * *limitValue(b, limit), 0.2 * b.cantidad);
            const std::string what = "seed " + std::to_string(seed) + " " + rowLabel(b, limit);
            SCOPED_TRACE(what);
            const Ranging r = rangeLimit(b, limit, 0, hasta);
            ASSERT_EQ(r.status, RangingStatus::Ok);
            const bool feasibleAtZero =
                reference::solveWithGlpk(withLimit(b, limit, 0.0), true).status ==
                reference::Status::Optimum;
            if (feasibleAtZero) {
                EXPECT_FALSE(r.infactibleHasta) << *r.infactibleHasta;
                EXPECT_EQ(r.tramos.front().desde, 0);
                ++startsAtZero;
            } else {
                EXPECT_TRUE(r.infactibleHasta);
                ++infeasibleAtZero;
            }
            checkRanging(b, limitParameter(limit), r, 0, hasta, std::nullopt, what);
        }
    }
    EXPECT_GT(startsAtZero, 20);
}

} // namespace
} // namespace lp
