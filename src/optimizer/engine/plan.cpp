#include "optimizer/engine/plan.h"

#include "optimizer/engine/block_lp.h"
#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>

// The plan is one programme, block-angular: each formula's own rows over its own shares, and
// below them one row per stock bound over every formula. It is solved whole by the engine's
// bounded dual simplex, not by a decomposition, with the basis factored block by block
// (block_basis.h): each block's square part as a small dense inverse and the few columns beyond
// it through the Schur complement of the binding stock rows, so a pivot costs work on the
// blocks it touches, not on the whole plan. Each block starts from the slack basis already dual
// feasible (costs at the bound they ask for), so no phase 1 is needed. A Dantzig-Wolfe
// decomposition would need a master programme, column generation and its own stopping rule,
// with an optimum only within a tolerance; the whole programme gives the exact vertex, its
// duals (the marginal values) and the same tolerances as a single formula.

namespace lp {

double asFedFactor(const Blend& blend, std::size_t i) {
    return blend.secaIng ? 100.0 / blend.ingredients[i].materiaSeca : 1.0;
}

double unitCost(const Blend& blend, const std::vector<double>& shares) {
    double cost = 0;
    for (std::size_t j = 0; j < shares.size(); ++j)
        cost += shares[j] * columnCost(blend, j);
    return cost;
}

double wetUnitCost(const Blend& blend, const std::vector<double>& shares) {
    if (!blend.secaIng)
        return unitCost(blend, shares);
    double wet = 0;
    for (std::size_t j = 0; j < shares.size(); ++j)
        wet += shares[j] * asFedFactor(blend, j);
    return wet > 0 ? unitCost(blend, shares) / wet : 0.0;
}

namespace {

// How a stock's bounds became a row: usage + s = disponible with s in [0, disponible - minimo]
// (or unbounded above), or -usage + s = -minimo with s >= 0 when only the minimum is set.
enum class LinkForm { None, Upper, Lower };

struct Assembled {
    BlockLp lp;
    std::vector<int> firstColumn;  // of each formula
    std::vector<int> linkRow;      // of each stock, -1 without one
    std::vector<LinkForm> form;    // of each stock
    std::vector<double> usageCoef; // n: as-fed quantity per unit share, over the total
    std::vector<int> stockOf;      // n: the stock each column counts against, -1 none
    double total = 0;              // the plan's total quantity: rows and costs are over it
};

// Scaling every link row and the costs by the plan's total quantity keeps the link rows'
// coefficients near the shares' own size, so the engine's absolute tolerances mean the same as
// on one formula; the duals of the link rows are unchanged by it (cost and bound scale alike).
bool assemble(const Plan& plan, Assembled& out, int usageStock = -1, double usageSign = 1) {
    std::vector<BoundedLp> blocks(plan.formulas.size());
    out.total = 0;
    int rows = 0, cols = 0;
    out.firstColumn.clear();
    for (std::size_t f = 0; f < blocks.size(); ++f) {
        BoundedLayout layout;
        if (!(plan.formulas[f].cantidad > 0) ||
            !boundedForm(plan.formulas[f].blend, blocks[f], layout))
            return false;
        out.total += plan.formulas[f].cantidad;
        out.firstColumn.push_back(cols);
        rows += blocks[f].m;
        cols += blocks[f].n;
    }
    out.linkRow.assign(plan.stock.size(), -1);
    out.form.assign(plan.stock.size(), LinkForm::None);
    int links = 0;
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const PlanStock& st = plan.stock[s];
        if (st.disponible && st.minimoUso && *st.disponible < *st.minimoUso)
            return false;
        if (st.disponible || st.minimoUso) {
            out.linkRow[s] = rows + links++;
            out.form[s] = st.disponible ? LinkForm::Upper : LinkForm::Lower;
        }
    }
    BlockLp& lp = out.lp;
    lp.m = rows + links;
    lp.n = cols;
    lp.links = links;
    lp.linkRow0 = rows;
    lp.blocks.assign(blocks.size(), {});
    lp.blockOfColumn.assign(lp.n, -1);
    lp.blockOfRow.assign(lp.m, -1);
    lp.link.assign(lp.n, -1);
    lp.linkCoef.assign(lp.n, 0.0);
    lp.b.assign(lp.m, 0.0);
    lp.cost.assign(lp.n, 0.0);
    lp.lower.assign(lp.n + lp.m, 0.0);
    lp.upper.assign(lp.n + lp.m, BoundedLp::kInfinity);
    out.usageCoef.assign(lp.n, 0.0);
    out.stockOf.assign(lp.n, -1);

    int row0 = 0;
    for (std::size_t f = 0; f < blocks.size(); ++f) {
        const BoundedLp& b = blocks[f];
        const Blend& blend = plan.formulas[f].blend;
        const double weight = plan.formulas[f].cantidad / out.total;
        const int col0 = out.firstColumn[f];
        BlockLp::Block& blk = lp.blocks[f];
        blk.row0 = row0;
        blk.rows = b.m;
        blk.col0 = col0;
        blk.cols = b.n;
        blk.a.resize(static_cast<std::size_t>(b.m) * b.n);
        for (int j = 0; j < b.n; ++j)
            for (int i = 0; i < b.m; ++i)
                blk.a[static_cast<std::size_t>(j) * b.m + i] = b.at(i, j);
        for (int i = 0; i < b.m; ++i) {
            lp.blockOfRow[row0 + i] = static_cast<int>(f);
            lp.b[row0 + i] = b.b[i];
            lp.lower[lp.n + row0 + i] = b.lower[b.n + i];
            lp.upper[lp.n + row0 + i] = b.upper[b.n + i];
        }
        for (int j = 0; j < b.n; ++j) {
            lp.blockOfColumn[col0 + j] = static_cast<int>(f);
            lp.cost[col0 + j] = weight * b.cost[j];
            lp.lower[col0 + j] = b.lower[j];
            // Shares never pass the band of their sum: a finite bound lets a negative cost
            // start at it, so no sum row is needed to price it out.
            lp.upper[col0 + j] = std::min(b.upper[j], kSumUpper);
            out.usageCoef[col0 + j] = weight * asFedFactor(blend, static_cast<std::size_t>(j));
            const int id = blend.ingredients[static_cast<std::size_t>(j)].id;
            for (std::size_t s = 0; s < plan.stock.size(); ++s)
                if (plan.stock[s].id == id)
                    out.stockOf[col0 + j] = static_cast<int>(s);
        }
        row0 += b.m;
    }
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const int r = out.linkRow[s];
        if (r < 0)
            continue;
        const PlanStock& st = plan.stock[s];
        const double sign = out.form[s] == LinkForm::Upper ? 1.0 : -1.0;
        for (int j = 0; j < lp.n; ++j)
            if (out.stockOf[j] == static_cast<int>(s)) {
                lp.link[j] = r - lp.linkRow0;
                lp.linkCoef[j] = sign * out.usageCoef[j];
            }
        if (out.form[s] == LinkForm::Upper) {
            lp.b[r] = *st.disponible / out.total;
            if (st.minimoUso)
                lp.upper[lp.n + r] = (*st.disponible - *st.minimoUso) / out.total;
        } else {
            lp.b[r] = -*st.minimoUso / out.total;
        }
    }
    if (usageStock >= 0) {
        // One ingredient's usage leaves every other column at cost 0, and the dual simplex
        // would stall on those ties: the plan's own costs, scaled to the usage's size, break
        // them while it searches, and primal pivots then take the usage alone to its optimum.
        double largestUsage = 0, largestCost = 0;
        for (int j = 0; j < lp.n; ++j) {
            largestUsage = std::max(largestUsage, out.usageCoef[j]);
            largestCost = std::max(largestCost, std::abs(lp.cost[j]));
        }
        const double scale = largestCost > 0 ? largestUsage / largestCost : 0.0;
        lp.tieBreak.resize(static_cast<std::size_t>(lp.n));
        for (int j = 0; j < lp.n; ++j) {
            lp.tieBreak[j] = scale * lp.cost[j];
            lp.cost[j] = out.stockOf[j] == usageStock ? usageSign * out.usageCoef[j] : 0.0;
        }
    }
    return true;
}

double clipped(double v) {
    return v < 0 && v >= -kFeasibilityTolerance ? 0.0 : v;
}

struct Run;
double usageOf(const Run& r, int stock);

struct Run {
    BoundedStatus status = BoundedStatus::Failed;
    bool assembled = false;
    Assembled a;
    BoundedSolution s;
};

Run run(const Plan& plan, int usageStock = -1, double usageSign = 1) {
    Run r;
    r.assembled = assemble(plan, r.a, usageStock, usageSign);
    if (!r.assembled)
        return r;
    r.s = solveBlocks(r.a.lp);
    // A block that cannot be factored (a singular pivot in it) is left to the dense inverse,
    // on a plan small enough for it: on a large one it would take minutes to give up as well.
    constexpr double kDenseFallbackEntries = 4e6;
    if (r.s.status == BoundedStatus::Failed &&
        static_cast<double>(r.a.lp.m) * r.a.lp.n <= kDenseFallbackEntries)
        r.s = solveBounded(r.a.lp.dense(), true);
    r.status = r.s.status;
    return r;
}

double usageOf(const Run& r, int stock) {
    double usage = 0;
    for (int j = 0; j < r.a.lp.n; ++j)
        if (r.a.stockOf[j] == stock)
            usage += r.a.usageCoef[j] * clipped(r.s.x[j]);
    return usage * r.a.total;
}

// The same with each ingredient a formula fixes (its minimum equal to its maximum) at that
// amount: the engine solves a fixed ingredient within a small widening of its limit, room the
// user never gave, so a bound read off the widened vertex would name 99.98 kg where the formulas
// fix 100. The nominal figure lies on the side that holds in both directions (no less than the
// least usage, no more than the most).
double nominalUsageOf(const Plan& plan, const Run& r, int stock) {
    double usage = 0;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j) {
            const std::size_t col = static_cast<std::size_t>(r.a.firstColumn[f]) + j;
            if (r.a.stockOf[col] != stock)
                continue;
            const Ingredient& ing = blend.ingredients[j];
            const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
            usage +=
                r.a.usageCoef[col] * (fixed ? *ing.minimo / blend.cantidad : clipped(r.s.x[col]));
        }
    }
    return usage * r.a.total;
}

bool infeasible(const Plan& plan) {
    const Run r = run(plan);
    return !r.assembled || r.status == BoundedStatus::Infeasible;
}

double planCost(const Plan& plan, const Run& r) {
    double cost = 0;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j)
            cost += plan.formulas[f].cantidad * columnCost(blend, j) *
                    clipped(r.s.x[static_cast<std::size_t>(r.a.firstColumn[f]) + j]);
    }
    return cost;
}

std::optional<double>& bound(Plan& plan, const PlanConflict& c) {
    PlanStock& st = plan.stock[static_cast<std::size_t>(c.stock)];
    return c.kind == PlanConflict::Disponible ? st.disponible : st.minimoUso;
}

// The nearest value of one stock bound at which the rest of the plan holds: the least usage the
// plan can reach without its availability, or the most without its minimum; then the plan's
// cost with the bound there (eased by the feasibility tolerance, as the relaxation is a vertex).
void relax(const Plan& plan, PlanConflict& c) {
    Plan without = plan;
    bound(without, c).reset();
    const bool upper = c.kind == PlanConflict::Disponible;
    const Run r = run(without, c.stock, upper ? 1.0 : -1.0);
    if (r.status != BoundedStatus::Optimal)
        return;
    const double usage = nominalUsageOf(plan, r, c.stock);
    c.limit.relajacion = usage;
    Plan moved = plan;
    const double ease = kFeasibilityTolerance * std::max(1.0, r.a.total);
    bound(moved, c) = upper ? usage + ease : std::max(0.0, usage - ease);
    const Run at = run(moved);
    if (at.status == BoundedStatus::Optimal)
        c.limit.costo = planCost(moved, at);
}

PlanConflict stockConflict(const Plan& plan, int s, PlanConflict::Kind kind) {
    PlanConflict c;
    c.kind = kind;
    c.stock = s;
    const PlanStock& st = plan.stock[static_cast<std::size_t>(s)];
    c.limit.limit = {LimitRef::Ingredient,
                     kind == PlanConflict::Disponible ? LimitRef::Maximum : LimitRef::Minimum,
                     static_cast<std::size_t>(s)};
    c.limit.nombre = st.nombre;
    c.limit.valor = kind == PlanConflict::Disponible ? *st.disponible : *st.minimoUso;
    return c;
}

// The plan without the stock bounds the failed run's proof of infeasibility does not rest on:
// a link row with no weight in that row of B^-1 can go and the plan still has no mix. Checked,
// and the whole plan kept, should rounding have dropped a bound the proof needs.
Plan narrowedToProof(const Plan& plan, const Run& failed) {
    const std::vector<double>& farkas = failed.s.farkas;
    if (!failed.assembled || farkas.empty())
        return plan;
    double largest = 0;
    for (double v : farkas)
        largest = std::max(largest, std::abs(v));
    Plan narrowed = plan;
    bool dropped = false;
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const int row = failed.a.linkRow[s];
        if (row < 0 || std::abs(farkas[static_cast<std::size_t>(row)]) > 1e-9 * largest)
            continue;
        narrowed.stock[s].disponible.reset();
        narrowed.stock[s].minimoUso.reset();
        dropped = true;
    }
    return dropped && infeasible(narrowed) ? narrowed : plan;
}

std::vector<PlanConflict> diagnose(const Plan& plan, const Run& failed) {
    std::vector<PlanConflict> out;
    // A formula that cannot be made alone is the conflict, whatever the stock.
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        if (probe(blend).feasible)
            continue;
        for (const ConflictLimit& limit : diagnoseConflict(blend)) {
            PlanConflict c;
            c.kind = PlanConflict::Formula;
            c.formula = static_cast<int>(f);
            c.limit = limit;
            out.push_back(c);
        }
        if (!out.empty())
            return out;
    }
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const PlanStock& st = plan.stock[s];
        if (st.disponible && st.minimoUso && *st.disponible < *st.minimoUso) {
            PlanConflict d = stockConflict(plan, static_cast<int>(s), PlanConflict::Disponible);
            PlanConflict m = stockConflict(plan, static_cast<int>(s), PlanConflict::MinimoUso);
            d.limit.relajacion = *st.minimoUso;
            m.limit.relajacion = *st.disponible;
            return {d, m};
        }
    }
    // Deletion filtering over the stock bounds the proof rests on: each is dropped in turn and
    // stays out while the plan remains infeasible without it; what is left cannot hold together.
    Plan current = narrowedToProof(plan, failed);
    std::vector<PlanConflict> kept;
    for (std::size_t s = 0; s < plan.stock.size(); ++s)
        for (PlanConflict::Kind kind : {PlanConflict::Disponible, PlanConflict::MinimoUso}) {
            PlanConflict c;
            c.kind = kind;
            c.stock = static_cast<int>(s);
            if (!bound(current, c))
                continue;
            const std::optional<double> value = bound(current, c);
            bound(current, c).reset();
            if (!infeasible(current))
                bound(current, c) = value;
            else
                continue;
            kept.push_back(stockConflict(plan, static_cast<int>(s), kind));
        }
    for (PlanConflict& c : kept)
        relax(plan, c);
    return kept;
}

} // namespace

bool planProgramme(const Plan& plan, BoundedLp& lp) {
    Assembled a;
    if (!assemble(plan, a))
        return false;
    lp = a.lp.dense();
    return true;
}

bool planBlocks(const Plan& plan, BlockLp& lp) {
    Assembled a;
    if (!assemble(plan, a))
        return false;
    lp = std::move(a.lp);
    return true;
}

PlanResult solvePlan(const Plan& plan, const PlanOptions& options) {
    PlanResult result;
    const Run r = run(plan);
    result.pivots = r.s.pivots;
    const bool blocksValid = std::all_of(plan.formulas.begin(), plan.formulas.end(),
                                         [](const PlanFormula& f) { return f.cantidad > 0; });
    if (plan.formulas.empty() || !blocksValid)
        return result;
    if (!r.assembled || r.status == BoundedStatus::Infeasible) {
        result.outcome = PlanOutcome::Infeasible;
        if (options.diagnose)
            result.conflicto = diagnose(plan, r);
        return result;
    }
    if (r.status != BoundedStatus::Optimal)
        return result;
    result.outcome = PlanOutcome::Optimum;
    const Assembled& a = r.a;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        PlanFormulaResult fr;
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j)
            fr.shares.push_back(clipped(r.s.x[static_cast<std::size_t>(a.firstColumn[f]) + j]));
        fr.costoUnitarioHumeda = wetUnitCost(blend, fr.shares);
        result.costoTotal += plan.formulas[f].cantidad * unitCost(blend, fr.shares);
        if (options.costsAlone) {
            const SolvedBlend alone = assembleAndSolve(blend);
            if (alone.result.outcome == Outcome::Optimum ||
                alone.result.outcome == Outcome::NoLeavingRow)
                fr.costoSolo = wetUnitCost(blend, shares(alone.tableau));
        }
        result.formulas.push_back(std::move(fr));
    }
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        PlanStockResult sr;
        sr.usado = usageOf(r, static_cast<int>(s));
        const int row = a.linkRow[s];
        if (row >= 0 && r.s.state[a.lp.n + row] != ColumnState::Basic) {
            // The reduced cost of the row's logical is minus its dual: per unit of the row's
            // right-hand side, which is the bound itself (Upper form) or its negative.
            const double d = r.s.d[a.lp.n + row];
            sr.valorMarginal = a.form[s] == LinkForm::Upper ? d : -d;
        }
        result.stock.push_back(sr);
    }
    return result;
}

} // namespace lp
