#include "optimizer/engine/bounded_path.h"

#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>

namespace lp {

namespace {

// A layout of K general rows and N ingredients with no ingredient row yet.
void startLayout(BoundedLayout& layout, int K, int N) {
    layout.K = K;
    layout.minRow.assign(N + 1, 0);
    layout.maxRow.assign(N + 1, 0);
    layout.minRhs.assign(N + 1, 0.0);
    layout.maxRhs.assign(N + 1, 0.0);
    layout.lowerFromRow.assign(N + 1, false);
}

// The column bounds from the ingredient rows of the layout, and the band of the sum row.
bool setBounds(BoundedLp& lp, BoundedLayout& layout) {
    const int N = lp.n;
    lp.lower.assign(N + lp.m, 0.0);
    lp.upper.assign(N + lp.m, BoundedLp::kInfinity);
    for (int j = 1; j <= N; ++j) {
        // -x + s = rhs with s >= 0 holds x >= -rhs; a bound below 0 adds nothing to x >= 0.
        layout.lowerFromRow[j] = -layout.minRhs[j] > 0;
        lp.lower[j - 1] = layout.lowerFromRow[j] ? -layout.minRhs[j] : 0.0;
        if (layout.maxRow[j] != 0)
            lp.upper[j - 1] = layout.maxRhs[j];
        if (lp.upper[j - 1] < lp.lower[j - 1])
            return false;
    }
    lp.upper[N + layout.K] = layout.range;
    return true;
}

} // namespace

bool boundedForm(const Tableau& t, BoundedLp& lp, BoundedLayout& layout) {
    const int N = t.N, K = t.generalRows(), M = t.M;
    if (N < 1 || t.K < 0 || t.KR < 0 || t.KG < 0 || t.L < N || M != K + t.L + 2 || t.C != N + M)
        return false;
    const int R = t.rhs();
    if (t.at(0, 0) != 1 || t.at(0, R) != 0)
        return false;
    for (int r = 1; r <= M; ++r)
        if (t.varBasica[r] != N + r || t.at(r, N + r) != 1 || t.at(r, 0) != 0 ||
            t.at(0, N + r) != 0 || !std::isfinite(t.at(r, R)))
            return false;

    startLayout(layout, K, N);
    for (int r = K + 1; r <= K + t.L; ++r) {
        const double* row = t.row(r);
        int col = 0;
        for (int j = 1; j <= N; ++j)
            if (row[j] != 0) {
                if (col != 0)
                    return false;
                col = j;
            }
        if (col == 0 || (row[col] != 1 && row[col] != -1))
            return false;
        std::vector<int>& slot = row[col] < 0 ? layout.minRow : layout.maxRow;
        if (slot[col] != 0)
            return false;
        slot[col] = r;
        (row[col] < 0 ? layout.minRhs : layout.maxRhs)[col] = row[R];
    }
    const double upperSum = t.at(M - 1, R), lowerSum = t.at(M, R);
    for (int j = 1; j <= N; ++j)
        if (layout.minRow[j] == 0 || t.at(M - 1, j) != 1 || t.at(M, j) != -1)
            return false;
    layout.range = upperSum + lowerSum;
    if (!(layout.range >= 0))
        return false;

    lp.m = K + 1;
    lp.n = N;
    lp.sumRow = K;
    lp.a.assign(static_cast<size_t>(lp.m) * N, 0.0);
    lp.b.assign(lp.m, 0.0);
    for (int k = 0; k < K; ++k) {
        std::copy(t.row(k + 1) + 1, t.row(k + 1) + N + 1, lp.a.begin() + static_cast<long>(k) * N);
        lp.b[k] = t.at(k + 1, R);
    }
    std::fill(lp.a.begin() + static_cast<long>(K) * N, lp.a.end(), 1.0);
    lp.b[K] = upperSum;
    lp.cost.assign(t.row(0) + 1, t.row(0) + N + 1);
    return setBounds(lp, layout);
}

bool boundedForm(const Blend& blend, BoundedLp& lp, BoundedLayout& layout) {
    const int N = static_cast<int>(blend.ingredients.size());
    if (N < 1)
        return false;
    const std::vector<LimitRef> general = generalLimits(blend);
    const int K = static_cast<int>(general.size());
    lp.m = K + 1;
    lp.n = N;
    lp.sumRow = K;
    lp.a.assign(static_cast<size_t>(lp.m) * N, 1.0);
    lp.b.assign(lp.m, 0.0);
    for (int k = 0; k < K; ++k)
        lp.b[k] = generalRow(blend, general[k], &lp.a[static_cast<size_t>(k) * N]);
    lp.b[K] = kSumUpper;
    lp.cost.resize(N);
    for (int j = 0; j < N; ++j)
        lp.cost[j] = columnCost(blend, static_cast<size_t>(j));

    startLayout(layout, K, N);
    int r = K + 1;
    for (int j = 1; j <= N; ++j) {
        const IngredientRows rows = ingredientRows(blend, static_cast<size_t>(j - 1));
        layout.minRow[j] = r++;
        layout.minRhs[j] = rows.minimumRhs;
        if (rows.maximumRhs) {
            layout.maxRow[j] = r++;
            layout.maxRhs[j] = *rows.maximumRhs;
        }
    }
    layout.range = kSumUpper + -kSumLower;
    auto finite = [](double v) { return std::isfinite(v); };
    if (!std::all_of(lp.b.begin(), lp.b.end(), finite) ||
        !std::all_of(layout.minRhs.begin(), layout.minRhs.end(), finite) ||
        !std::all_of(layout.maxRhs.begin(), layout.maxRhs.end(), finite))
        return false;
    return setBounds(lp, layout);
}

namespace {

// How a column of the bounded programme ended, seen from the full tableau.
enum class Place {
    Basic,    // basic in the bounded programme
    AtZero,   // an ingredient at 0, non-basic in the full tableau too
    RowLower, // an ingredient at its minimum: basic in its minimum row, that slack non-basic
    RowUpper, // an ingredient at its maximum: basic in its maximum row, that slack non-basic
    Slack     // a logical at a bound (the nutrient slacks and the sum slack)
};

class Rebuild {
public:
    Rebuild(Tableau& t, const BoundedLp& lp, const BoundedLayout& layout, const BoundedSolution& s)
        : t_(t), lp_(lp), lay_(layout), s_(s), N_(t.N), M_(t.M), K_(layout.K), w_(t.width()),
          sumSlack_(t.N + layout.K), place_(s.x.size()), position_(s.x.size(), -1) {
        for (int p = 0; p < lp.m; ++p)
            position_[s.head[p]] = p;
        for (int y = 0; y < static_cast<int>(place_.size()); ++y)
            place_[y] = classify(y);
    }

    bool run() {
        if (!feasible())
            return false;
        // Bounded row p is row p + 1 of the full tableau; the sum row is the quantity row whose
        // slack is basic in the bounded programme (the upper one when s_u is not at its upper
        // bound, the lower one when it is).
        std::vector<std::pair<int, int>> rows;
        for (int k = 1; k <= K_; ++k)
            rows.push_back({k, k - 1});
        rows.push_back({s_.state[sumSlack_] == ColumnState::AtUpper ? M_ : M_ - 1, K_});
        writeBoundedRows(rows);
        writeSumRows();
        for (int j = 1; j <= N_; ++j)
            writeIngredientRows(j);
        writeCostRow();
        return true;
    }

private:
    Place classify(int y) const {
        const ColumnState st = s_.state[y];
        if (st == ColumnState::Basic)
            return Place::Basic;
        if (y >= N_)
            return Place::Slack;
        if (st == ColumnState::AtUpper)
            return Place::RowUpper;
        return lay_.lowerFromRow[y + 1] ? Place::RowLower : Place::AtZero;
    }

    // The full tableau's non-basic column standing for a bounded column at a bound, and the
    // sign with which the bounded column moves with it.
    std::pair<int, double> nonBasicColumn(int y) const {
        if (y < N_) {
            const int j = y + 1;
            switch (place_[y]) {
            case Place::RowLower:
                return {N_ + lay_.minRow[j], 1.0};
            case Place::RowUpper:
                return {N_ + lay_.maxRow[j], -1.0};
            default:
                return {j, 1.0};
            }
        }
        if (y == sumSlack_)
            return s_.state[y] == ColumnState::AtUpper ? std::pair{N_ + M_, -1.0}
                                                       : std::pair{N_ + M_ - 1, 1.0};
        return {N_ + (y - N_) + 1, 1.0};
    }

    // The full tableau's column of a column basic in the bounded programme.
    int basicColumn(int y) const {
        if (y < N_)
            return y + 1;
        return y == sumSlack_ ? N_ + M_ - 1 : N_ + (y - N_) + 1;
    }

    double value(int y) const { return s_.x[y]; }

    // Right-hand sides the full tableau would hold, checked before anything is written.
    bool feasible() const {
        auto ok = [](double v) { return v >= -kFeasibilityTolerance; };
        for (int p = 0; p < lp_.m; ++p)
            if (!ok(value(s_.head[p])))
                return false;
        for (int j = 1; j <= N_; ++j) {
            const double x = value(j - 1);
            if (!ok(x) || !ok(lay_.minRhs[j] + x))
                return false;
            if (lay_.maxRow[j] != 0 && !ok(lay_.maxRhs[j] - x))
                return false;
        }
        const double su = value(sumSlack_);
        return ok(su) && ok(lay_.range - su);
    }

    // Each (r, p): row r of the full tableau from bounded row p, the bounded rows priced four
    // at a time.
    void writeBoundedRows(const std::vector<std::pair<int, int>>& rows) {
        const int width = s_.width();
        std::vector<double> block(static_cast<size_t>(4) * width);
        for (size_t first = 0; first < rows.size(); first += 4) {
            const int count = static_cast<int>(std::min<size_t>(4, rows.size() - first));
            int positions[4];
            for (int k = 0; k < count; ++k)
                positions[k] = rows[first + k].second;
            tableauRows(lp_, s_, positions, count, block.data());
            for (int k = 0; k < count; ++k)
                writeBoundedRow(rows[first + k].first, positions[k],
                                &block[static_cast<size_t>(k) * width]);
        }
    }

    // Row r of the full tableau from bounded row p, `tp`: the entries of the non-basic columns
    // carried to the full tableau's columns, 1 under the basic column, its value on the right.
    void writeBoundedRow(int r, int p, const double* tp) {
        const int y = s_.head[p];
        double* row = t_.row(r);
        std::fill(row, row + w_, 0.0);
        for (int c = 0; c < s_.width(); ++c) {
            if (place_[c] == Place::Basic || tp[c] == 0)
                continue;
            const auto [col, sign] = nonBasicColumn(c);
            row[col] += sign * tp[c];
        }
        const int col = basicColumn(y);
        row[col] = 1;
        row[t_.rhs()] = value(y);
        t_.varBasica[r] = col;
    }

    // Row r holds the slack `own` = base + sign * (the variable of row `from`): the entries of
    // row `from` times `sign`, 1 under `own`, right-hand side `rhs`.
    void writeDependentRow(int r, int from, double sign, int own, double rhs) {
        double* row = t_.row(r);
        const double* src = t_.row(from);
        const int basic = t_.varBasica[from];
        for (int c = 0; c < w_; ++c)
            row[c] = c == basic ? 0.0 : sign * src[c];
        row[own] = 1;
        row[t_.rhs()] = rhs;
        t_.varBasica[r] = own;
    }

    // A row with 1 under its basic column, `entry` under one non-basic column.
    void writeUnitRow(int r, int basic, int col, double entry, double rhs) {
        double* row = t_.row(r);
        std::fill(row, row + w_, 0.0);
        row[basic] = 1;
        row[col] = entry;
        row[t_.rhs()] = rhs;
        t_.varBasica[r] = basic;
    }

    // The two quantity rows: s_u + sum(x) = upper, s_l - sum(x) = -lower, s_l = range - s_u.
    // The one holding the bounded programme's sum row is written with the bounded rows.
    void writeSumRows() {
        const int up = N_ + M_ - 1, low = N_ + M_;
        const double su = value(sumSlack_);
        switch (s_.state[sumSlack_]) {
        case ColumnState::Basic: {
            // Both slacks basic: s_l follows the row of s_u, wherever that row is.
            const int p = position_[sumSlack_];
            writeDependentRow(M_, p == K_ ? M_ - 1 : p + 1, -1.0, low, lay_.range - su);
            break;
        }
        case ColumnState::AtLower:
            writeUnitRow(M_, low, up, 1.0, lay_.range - su);
            break;
        case ColumnState::AtUpper:
            writeUnitRow(M_ - 1, up, low, 1.0, su);
            break;
        }
    }

    // Full tableau row holding the ingredient of column j when it is basic there.
    int rowOf(int j) const {
        for (int r = 1; r <= K_; ++r)
            if (t_.varBasica[r] == j)
                return r;
        return t_.varBasica[M_ - 1] == j ? M_ - 1 : M_;
    }

    void writeIngredientRows(int j) {
        const int y = j - 1;
        const int minRow = lay_.minRow[j], maxRow = lay_.maxRow[j];
        const double x = value(y);
        switch (place_[y]) {
        case Place::AtZero: // the rows as assembled are already in terms of the column
        case Place::Slack:
            return;
        case Place::Basic: {
            const int from = rowOf(j);
            writeDependentRow(minRow, from, 1.0, N_ + minRow, lay_.minRhs[j] + x);
            if (maxRow != 0)
                writeDependentRow(maxRow, from, -1.0, N_ + maxRow, lay_.maxRhs[j] - x);
            return;
        }
        case Place::RowLower:
            writeUnitRow(minRow, j, N_ + minRow, -1.0, x);
            if (maxRow != 0)
                writeUnitRow(maxRow, N_ + maxRow, N_ + minRow, 1.0, lay_.maxRhs[j] - x);
            return;
        case Place::RowUpper:
            writeUnitRow(maxRow, j, N_ + maxRow, 1.0, x);
            writeUnitRow(minRow, N_ + minRow, N_ + maxRow, 1.0, lay_.minRhs[j] + x);
            return;
        }
    }

    // Reduced costs carried like the entries of a row; minus the cost of the mix on the right.
    void writeCostRow() {
        double* row = t_.row(0);
        double cost = 0;
        for (int j = 1; j <= N_; ++j)
            cost += lp_.cost[j - 1] * value(j - 1);
        std::fill(row, row + w_, 0.0);
        row[0] = 1;
        for (int c = 0; c < s_.width(); ++c) {
            if (place_[c] == Place::Basic || s_.d[c] == 0)
                continue;
            const auto [col, sign] = nonBasicColumn(c);
            row[col] += sign * s_.d[c];
        }
        row[t_.rhs()] = -cost;
    }

    Tableau& t_;
    const BoundedLp& lp_;
    const BoundedLayout& lay_;
    const BoundedSolution& s_;
    const int N_, M_, K_, w_, sumSlack_;
    std::vector<Place> place_;
    std::vector<int> position_;
};

} // namespace

bool rebuildTableau(Tableau& t, const BoundedLp& lp, const BoundedLayout& layout,
                    const BoundedSolution& s) {
    Rebuild rebuild(t, lp, layout, s);
    return rebuild.run();
}

} // namespace lp
