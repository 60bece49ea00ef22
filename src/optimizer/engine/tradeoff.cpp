#include "optimizer/engine/tradeoff.h"

#include "optimizer/engine/ranging.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lp {

namespace {

// The goal as g = num.x / den.x; den.x is 1 for a linear goal.
struct GoalForm {
    bool ratio = false;
    std::vector<double> num, den;

    double numerator(const std::vector<double>& x) const {
        double s = 0;
        for (size_t j = 0; j < x.size(); ++j)
            s += num[j] * x[j];
        return s;
    }
    double denominator(const std::vector<double>& x) const {
        if (!ratio)
            return 1;
        double s = 0;
        for (size_t j = 0; j < x.size(); ++j)
            s += den[j] * x[j];
        return s;
    }
    double value(const std::vector<double>& x) const { return numerator(x) / denominator(x); }
};

GoalForm goalForm(const Blend& blend, const TradeoffGoal& goal) {
    GoalForm f;
    f.ratio = !goalIsLinear(blend);
    for (size_t j = 0; j < blend.ingredients.size(); ++j) {
        const double dm = blend.ingredients[j].materiaSeca / 100;
        f.num.push_back(blend.secaIng ? goal.valor[j] : goal.valor[j] * dm);
        f.den.push_back(f.ratio ? dm : 0.0);
    }
    return f;
}

double mixCost(const Blend& blend, const std::vector<double>& x) {
    double s = 0;
    for (size_t j = 0; j < x.size(); ++j)
        s += columnCost(blend, j) * x[j];
    return s;
}

double maxAbs(const std::vector<double>& v) {
    double m = 0;
    for (double x : v)
        m = std::max(m, std::abs(x));
    return m;
}

// Moves the goal's bound on the optimal tableau of the blend with the goal row, keeping the
// tableau optimal. Only the goal row depends on the bound v: its right-hand side (linear goal)
// or its coefficients (a goal inside them). Either way the blend at v differs from the tableau's
// by e_g times a row, so the tableau at v is the tableau plus the rank-one term
// phi * w * pi, w the goal row's slack column, pi the row's change carried through the basis and
// phi = dv / (1 + dv sigma). The basis stays optimal while the basic values and the reduced costs
// stay at or above 0, each linear in phi; where one reaches 0 the walk pivots, as the dual simplex
// (a basic value) or the primal simplex (a reduced cost) would, and goes on.
class BoundWalk {
public:
    BoundWalk(Tableau t, int goalRow, std::vector<double> delta, double dir)
        : t_(std::move(t)), g_(goalRow), delta_(std::move(delta)), dir_(dir),
          limit_(rangingStepLimit(t_.M, t_.C)), basic_(t_.C + 1, false) {
        for (int r = 1; r <= t_.M; ++r)
            basic_[t_.varBasica[r]] = true;
    }

    enum class End { Done, StepLimit, Failed };

    // Calls `visit` with the tableau at the start, after each move and after each pivot that may
    // move the mix without moving the bound.
    template <typename Visit> End run(Visit visit) {
        visit(t_);
        for (long k = 0; k <= limit_; ++k) {
            const Step s = step();
            if (s.kind == Step::Failed)
                return End::Failed;
            visit(t_);
            if (s.kind == Step::End)
                return End::Done;
            if (s.kind == Step::Basic ? !dualPivot(s.index) : !primalPivot(s.index))
                return s.kind == Step::Basic ? End::Done : End::Failed;
            // A column entering where its reduced cost reached 0 may move the mix along the
            // goal's level set: both ends of that move are points of the curve.
            if (s.kind == Step::Reduced)
                visit(t_);
        }
        return End::StepLimit;
    }

    long pivots() const { return pivots_; }

private:
    struct Step {
        enum Kind { Basic, Reduced, End, Failed } kind = Failed;
        int index = 0; // the row whose basic value, or the column whose reduced cost, reached 0
    };

    // pi over columns 1..C+1 and sigma, for the current basis.
    double rankOne(std::vector<double>& pi) const {
        pi.assign(t_.width(), 0.0);
        for (int j = 1; j <= t_.C + 1; ++j)
            pi[j] = delta_[j];
        double sigma = 0;
        const int slack = t_.N + g_;
        for (int r = 1; r <= t_.M; ++r) {
            const double d = delta_[t_.varBasica[r]];
            if (d == 0)
                continue;
            const double* row = t_.row(r);
            for (int j = 1; j <= t_.C + 1; ++j)
                pi[j] -= d * row[j];
            sigma += d * row[slack];
        }
        for (int j = 1; j <= t_.C; ++j)
            if (basic_[j])
                pi[j] = 0;
        return sigma;
    }

    Step step() {
        std::vector<double> pi;
        const double sigma = rankOne(pi);
        const int slack = t_.N + g_, rhs = t_.rhs();
        // u = dir * phi >= 0 is how far the walk moves; every condition is value + u * slope.
        std::vector<double> primalSlope(t_.M + 1), dualSlope(t_.C + 1, 0.0);
        for (int r = 1; r <= t_.M; ++r)
            primalSlope[r] = dir_ * t_.at(r, slack) * pi[rhs];
        for (int j = 1; j <= t_.C; ++j)
            if (!basic_[j])
                dualSlope[j] = dir_ * t_.at(0, slack) * pi[j];
        const double ptol = 1e-12 * maxAbs(primalSlope);
        const double dtol = kOptimalityTolerance * std::max(1.0, maxAbs(dualSlope));
        double u = std::numeric_limits<double>::infinity();
        Step s;
        s.kind = Step::End;
        for (int r = 1; r <= t_.M; ++r)
            if (primalSlope[r] < -ptol) {
                const double ratio = std::max(t_.at(r, rhs), 0.0) / -primalSlope[r];
                if (ratio < u) {
                    u = ratio;
                    s = {Step::Basic, r};
                }
            }
        for (int j = 1; j <= t_.C; ++j)
            if (!basic_[j] && dualSlope[j] < -dtol) {
                const double ratio = std::max(t_.at(0, j), 0.0) / -dualSlope[j];
                if (ratio < u) {
                    u = ratio;
                    s = {Step::Reduced, j};
                }
            }
        // Past 1 / sigma the basis would turn singular before any condition binds: the walk
        // would run on for ever, which a goal bounded by the limits never does.
        if (s.kind == Step::End || (dir_ * sigma > 0 && u * dir_ * sigma >= 1)) {
            s.kind = Step::Failed;
            return s;
        }
        const double phi = dir_ * u;
        for (int r = 0; r <= t_.M; ++r) {
            const double f = phi * t_.at(r, slack);
            if (f == 0)
                continue;
            double* row = t_.row(r);
            for (int j = 1; j <= t_.C + 1; ++j)
                if (pi[j] != 0)
                    row[j] += f * pi[j];
        }
        if (s.kind == Step::Basic)
            t_.at(s.index, rhs) = 0;
        else
            t_.at(0, s.index) = 0;
        return s;
    }

    // The basic value of row p reached 0 and would fall below it: a column that can take its
    // place at the least rise of the cost enters. Returns false when none can: no mix goes
    // further.
    bool dualPivot(int p) {
        double rowMax = 0;
        for (int c = 1; c <= t_.C; ++c)
            rowMax = std::max(rowMax, std::abs(t_.at(p, c)));
        const double pivotTol = kPivotTolerance * std::max(1.0, rowMax);
        int enter = -1;
        double best = 0;
        for (int c = 1; c <= t_.C; ++c) {
            const double e = t_.at(p, c);
            if (basic_[c] || !(e < -pivotTol))
                continue;
            const double ratio = std::max(t_.at(0, c), 0.0) / -e;
            if (enter < 0 || ratio < best || (ratio == best && e < t_.at(p, enter))) {
                enter = c;
                best = ratio;
            }
        }
        if (enter < 0)
            return false;
        pivotOn(p, enter);
        return true;
    }

    // Column q's reduced cost reached 0 and would fall below it: it enters.
    bool primalPivot(int q) {
        double colMax = 0;
        for (int r = 1; r <= t_.M; ++r)
            colMax = std::max(colMax, std::abs(t_.at(r, q)));
        const double pivotTol = kPivotTolerance * std::max(1.0, colMax);
        int leave = -1;
        double best = 0;
        for (int r = 1; r <= t_.M; ++r) {
            const double e = t_.at(r, q);
            if (!(e > pivotTol))
                continue;
            const double ratio = std::max(t_.at(r, t_.rhs()), 0.0) / e;
            if (leave < 0 || ratio < best || (ratio == best && e > t_.at(leave, q))) {
                leave = r;
                best = ratio;
            }
        }
        if (leave < 0)
            return false;
        pivotOn(leave, q);
        return true;
    }

    void pivotOn(int p, int q) {
        basic_[t_.varBasica[p]] = false;
        pivot(t_, p, q);
        basic_[q] = true;
        ++pivots_;
    }

    Tableau t_;
    int g_;
    std::vector<double> delta_;
    double dir_;
    long limit_;
    std::vector<bool> basic_;
    long pivots_ = 0;
};

bool sameMix(const std::vector<double>& a, const std::vector<double>& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 1e-9)
            return false;
    return true;
}

// Whether b lies on the straight line from a to c, between them.
bool onSegment(const std::vector<double>& a, const std::vector<double>& b,
               const std::vector<double>& c) {
    double num = 0, den = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        num += (b[i] - a[i]) * (c[i] - a[i]);
        den += (c[i] - a[i]) * (c[i] - a[i]);
    }
    if (den == 0)
        return false;
    const double t = num / den;
    if (t < 0 || t > 1)
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] + t * (c[i] - a[i]) - b[i]) > 1e-12)
            return false;
    return true;
}

// The points the walk met become the vertices: repeated mixes (steps of no length, pivots that
// only changed the basis) and points on a straight stretch are dropped, and so are the points
// of a first stretch where the goal falls at no cost.
std::vector<TradeoffVertex> vertices(std::vector<TradeoffVertex> points) {
    std::vector<TradeoffVertex> out;
    for (TradeoffVertex& p : points)
        if (out.empty() || !sameMix(out.back().mezcla, p.mezcla))
            out.push_back(std::move(p));
        else
            out.back() = std::move(p);
    const auto flat = [](const TradeoffVertex& a, const TradeoffVertex& b) {
        return std::abs(a.costo - b.costo) <= 1e-12 * std::max(1.0, std::abs(a.costo));
    };
    size_t first = 0;
    while (first + 1 < out.size() && flat(out[first], out[first + 1]))
        ++first;
    out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(first));
    // Where the limits leave the goal almost no room a last stretch may be shorter than the
    // engine's feasibility tolerance (1e-9 of a row) can tell from its start: no solve could
    // confirm it, so the curve ends before it.
    while (out.size() > 1) {
        const double end = out.back().valor, before = out[out.size() - 2].valor;
        const double room = std::max(std::abs(before), std::abs(before - out.front().valor));
        if (std::abs(end - before) > 1e-8 * room)
            break;
        out.pop_back();
    }
    std::vector<TradeoffVertex> bent;
    for (size_t k = 0; k < out.size(); ++k)
        if (k == 0 || k + 1 == out.size() ||
            !onSegment(bent.back().mezcla, out[k].mezcla, out[k + 1].mezcla))
            bent.push_back(std::move(out[k]));
    return bent;
}

std::vector<bool> presentIn(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<bool> in(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        in[i] = a[i] > 1e-9 || b[i] > 1e-9;
    return in;
}

void markChanges(std::vector<TradeoffVertex>& v) {
    for (size_t k = 0; k < v.size(); ++k) {
        const std::vector<bool> before = presentIn(v[k > 0 ? k - 1 : k].mezcla, v[k].mezcla);
        const std::vector<bool> after =
            presentIn(v[k].mezcla, v[k + 1 < v.size() ? k + 1 : k].mezcla);
        for (size_t i = 0; i < before.size(); ++i) {
            if (after[i] && !before[i])
                v[k].entran.push_back(i);
            if (before[i] && !after[i])
                v[k].salen.push_back(i);
        }
    }
}

struct Walked {
    BoundWalk::End end = BoundWalk::End::Failed;
    std::vector<TradeoffVertex> vertices;
    long pivots = 0;
};

// The walk from the least-cost mix x0 in one direction.
Walked walkFrom(const Blend& blend, const TradeoffGoal& goal, const GoalForm& form,
                const std::vector<double>& x0, bool aumentar) {
    Walked out;
    const double v0 = form.value(x0);
    Blend withGoal = blend;
    int id = 0;
    for (const Nutrient& n : blend.nutrients)
        id = std::max(id, n.id);
    Nutrient n{id + 1, goal.nombre, std::nullopt, std::nullopt};
    (aumentar ? n.minimo : n.maximo) = v0;
    withGoal.nutrients.push_back(n);
    withGoal.valor.push_back(goal.valor);
    SolvedBlend s = assembleAndSolve(withGoal);
    if (s.result.outcome != Outcome::Optimum)
        return out;
    // The goal's row follows the blend's own nutrient rows; per unit of v its coefficients move
    // by -sign * dm (a goal inside them) or its right-hand side by sign.
    const int row = countNutrientRows(blend) + 1;
    const double sign = aumentar ? -1.0 : 1.0;
    std::vector<double> delta(s.tableau.width(), 0.0);
    if (form.ratio)
        for (int j = 1; j <= s.tableau.N; ++j)
            delta[j] = -sign * form.den[j - 1];
    else
        delta[s.tableau.rhs()] = sign;
    BoundWalk walk(std::move(s.tableau), row, std::move(delta), aumentar ? 1.0 : -1.0);
    std::vector<TradeoffVertex> points;
    out.end = walk.run([&](const Tableau& t) {
        TradeoffVertex p;
        p.mezcla = shares(t);
        p.valor = form.value(p.mezcla);
        p.costo = mixCost(blend, p.mezcla);
        points.push_back(std::move(p));
    });
    out.pivots = walk.pivots();
    out.vertices = vertices(std::move(points));
    // The sum of the shares may stray from 1 by 1e-8 either way, which moves a goal that no
    // mix changes by as much: a curve no longer than that is its first point.
    const double still = 1e-7 * std::abs(v0);
    if (std::all_of(out.vertices.begin(), out.vertices.end(),
                    [&](const TradeoffVertex& p) { return std::abs(p.valor - v0) <= still; }))
        out.vertices.resize(std::min<size_t>(out.vertices.size(), 1));
    markChanges(out.vertices);
    return out;
}

std::string joined(const std::vector<LimitIssue>& issues) {
    std::string text;
    for (const LimitIssue& i : issues)
        text += (text.empty() ? "" : "\n") + i.mensaje;
    return text;
}

} // namespace

TradeoffGoal nutrientGoal(const Blend& blend, std::size_t n, bool aumentar) {
    return {blend.nutrients[n].nombre, blend.valor[n], aumentar};
}

bool goalIsLinear(const Blend& blend) {
    return blend.secaIng || !blend.secaNut;
}

double goalValue(const Blend& blend, const TradeoffGoal& goal, const std::vector<double>& shares) {
    return goalForm(blend, goal).value(shares);
}

TradeoffCurve tradeoffCurve(const Blend& blend, const TradeoffGoal& goal) {
    TradeoffCurve out;
    out.lineal = goalIsLinear(blend);
    const bool valid = goal.valor.size() == blend.ingredients.size() &&
                       std::all_of(goal.valor.begin(), goal.valor.end(),
                                   [](double a) { return std::isfinite(a); });
    if (!valid) {
        out.status = TradeoffStatus::Invalid;
        out.mensaje = "El objetivo \"" + goal.nombre +
                      "\" no tiene un valor numérico para cada ingrediente de la fórmula.";
        return out;
    }
    out.problemas = checkRatiosAndGroups(blend);
    if (!out.problemas.empty()) {
        out.status = TradeoffStatus::LimitIssues;
        out.mensaje = joined(out.problemas);
        return out;
    }
    const SolvedBlend optimum = assembleAndSolve(blend);
    if (optimum.result.outcome == Outcome::Infeasible) {
        out.status = TradeoffStatus::Infeasible;
        out.conflicto = diagnoseConflict(blend);
        out.mensaje =
            "Ninguna mezcla cumple los límites de la fórmula: no hay curva de compromiso.";
        return out;
    }
    if (optimum.result.outcome != Outcome::Optimum) {
        out.mensaje = "El cálculo no llegó a un óptimo.";
        return out;
    }
    const GoalForm form = goalForm(blend, goal);
    const std::vector<double> x0 = shares(optimum.tableau);
    Walked w = walkFrom(blend, goal, form, x0, goal.aumentar);
    out.pivots = w.pivots;
    if (w.end == BoundWalk::End::StepLimit) {
        out.status = TradeoffStatus::StepLimit;
        out.mensaje = "El cálculo de la curva no terminó: el redondeo lo hace girar en círculo.";
        return out;
    }
    if (w.end != BoundWalk::End::Done || w.vertices.empty()) {
        out.mensaje = "El cálculo de la curva no llegó a un óptimo.";
        return out;
    }
    out.vertices = std::move(w.vertices);
    out.status = TradeoffStatus::Ok;
    if (out.vertices.size() == 1) {
        // Nothing to trade this way; when the other way has nothing either, no mix has another
        // value of the goal.
        const Walked other = walkFrom(blend, goal, form, x0, !goal.aumentar);
        out.pivots += other.pivots;
        const double v = out.vertices.front().valor;
        if (other.end == BoundWalk::End::Done && other.vertices.size() == 1 &&
            std::abs(other.vertices.front().valor - v) <= 1e-7 * std::abs(v)) {
            out.status = TradeoffStatus::Constant;
            out.mensaje = "Todas las mezclas que cumplen los límites tienen el mismo valor de \"" +
                          goal.nombre + "\": no hay nada que cambiar por costo.";
        } else {
            out.mensaje = "La mezcla de menor costo ya tiene el " +
                          std::string(goal.aumentar ? "mayor" : "menor") + " valor de \"" +
                          goal.nombre + "\" que admiten los límites.";
        }
    }
    return out;
}

std::optional<TradeoffPoint> tradeoffAt(const Blend& blend, const TradeoffGoal& goal,
                                        const TradeoffCurve& curve, double v) {
    const std::vector<TradeoffVertex>& vs = curve.vertices;
    if (vs.empty() || !std::isfinite(v))
        return std::nullopt;
    const GoalForm form = goalForm(blend, goal);
    const auto close = [](double a, double b) {
        return std::abs(a - b) <= 1e-12 * std::max(1.0, std::abs(a));
    };
    if (vs.size() == 1 || close(v, vs.front().valor)) {
        if (!close(v, vs.front().valor))
            return std::nullopt;
        return TradeoffPoint{vs.front().valor, vs.front().costo, vs.front().mezcla};
    }
    for (size_t k = 0; k + 1 < vs.size(); ++k) {
        const TradeoffVertex &a = vs[k], &b = vs[k + 1];
        const double lo = std::min(a.valor, b.valor), hi = std::max(a.valor, b.valor);
        if (!(v >= lo && v <= hi) && !close(v, b.valor))
            continue;
        // num.x / den.x = v along x = a + t (b - a), solved for t.
        const double na = form.numerator(a.mezcla), nb = form.numerator(b.mezcla);
        const double da = form.denominator(a.mezcla), db = form.denominator(b.mezcla);
        const double den = (nb - na) - v * (db - da);
        const double t = den == 0 ? 0.0 : std::clamp((v * da - na) / den, 0.0, 1.0);
        TradeoffPoint p;
        p.mezcla.resize(a.mezcla.size());
        for (size_t i = 0; i < p.mezcla.size(); ++i)
            p.mezcla[i] = a.mezcla[i] + t * (b.mezcla[i] - a.mezcla[i]);
        p.costo = a.costo + t * (b.costo - a.costo);
        p.valor = v;
        return p;
    }
    return std::nullopt;
}

} // namespace lp
