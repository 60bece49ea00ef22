#include "optimizer/engine/chance_basis.h"

#include <algorithm>
#include <cmath>

namespace lp {

// The inverse of the basis s.head of lp computed afresh. With O the rows whose logical is not
// basic and S the positions of the structural columns (as many), B y = v reads
// A[O, S] y_S = v_O, and each basic logical takes up the rest of its row. So only the k x k
// matrix A[O, S] is inverted (Gauss-Jordan with partial pivoting), and the entries of the
// logicals' positions follow from it. False when that matrix is singular.
bool refactor(const BoundedLp& lp, BoundedSolution& s) {
    const int n = lp.n, m = lp.m;
    std::vector<int> structural, logical; // positions
    std::vector<bool> basicLogical(size_t(m), false);
    for (int p = 0; p < m; ++p) {
        const int j = s.head[size_t(p)];
        if (j < n) {
            structural.push_back(p);
        } else {
            logical.push_back(p);
            basicLogical[size_t(j - n)] = true;
        }
    }
    std::vector<int> open;
    for (int i = 0; i < m; ++i)
        if (!basicLogical[size_t(i)])
            open.push_back(i);
    const int k = int(structural.size());
    if (int(open.size()) != k)
        return false;
    // [A[O, S] | I] reduced to [I | A[O, S]^-1].
    const int w = 2 * k;
    std::vector<double> t(size_t(k) * w, 0.0);
    for (int r = 0; r < k; ++r) {
        for (int c = 0; c < k; ++c)
            t[size_t(r) * w + c] = lp.at(open[size_t(r)], s.head[size_t(structural[size_t(c)])]);
        t[size_t(r) * w + k + r] = 1;
    }
    for (int c = 0; c < k; ++c) {
        int best = c;
        for (int r = c + 1; r < k; ++r)
            if (std::abs(t[size_t(r) * w + c]) > std::abs(t[size_t(best) * w + c]))
                best = r;
        // A basis this close to singular is not worth carrying over: the search from the slack
        // basis takes over.
        if (!(std::abs(t[size_t(best) * w + c]) > 1e-9))
            return false;
        if (best != c)
            std::swap_ranges(t.begin() + long(best) * w, t.begin() + long(best + 1) * w,
                             t.begin() + long(c) * w);
        double* pivotRow = &t[size_t(c) * w];
        const double inv = 1 / pivotRow[c];
        for (int e = c; e < w; ++e)
            pivotRow[e] *= inv;
        for (int r = 0; r < k; ++r) {
            if (r == c)
                continue;
            double* row = &t[size_t(r) * w];
            const double f = row[c];
            if (f == 0)
                continue;
            for (int e = c; e < w; ++e)
                row[e] -= f * pivotRow[e];
        }
    }
    InverseColumns inverse;
    inverse.m = m;
    inverse.open = open;
    inverse.values.assign(size_t(k) * m, 0.0);
    std::vector<double> y(static_cast<size_t>(k));
    for (int o = 0; o < k; ++o) {
        double* col = inverse.column(o);
        for (int c = 0; c < k; ++c) {
            y[size_t(c)] = t[size_t(c) * w + k + o];
            col[structural[size_t(c)]] = y[size_t(c)];
        }
        for (int p : logical) {
            const int own = s.head[size_t(p)] - n;
            double v = 0;
            for (int c = 0; c < k; ++c)
                v -= lp.at(own, s.head[size_t(structural[size_t(c)])]) * y[size_t(c)];
            col[p] = v;
        }
    }
    s.inverse = std::move(inverse);
    return true;
}

// The inverse of the basis `s` ended on (lp's first `from` rows) carried over to the programme
// with rows [from, lp.m) appended, their logicals basic at positions [from, lp.m): each column of
// B^-1 keeps its entries and takes, at each new position, minus the new row's entries on the
// structural columns times the column's entries there (each basic logical takes up the rest of
// its row). A handful of dot products where a fresh inverse costs a cube of the basis's size.
// False when the inverse is not one of that basis.
bool extendInverse(const BoundedLp& lp, BoundedSolution& s, int from) {
    InverseColumns& inverse = s.inverse;
    const int n = lp.n, m = lp.m;
    if (inverse.m != from || int(s.head.size()) != m)
        return false;
    std::vector<int> structural; // positions
    for (int p = 0; p < from; ++p)
        if (s.head[size_t(p)] < n)
            structural.push_back(p);
    std::vector<double> values(size_t(inverse.slots()) * size_t(m), 0.0);
    for (int o = 0; o < inverse.slots(); ++o) {
        const double* old = inverse.column(o);
        double* col = &values[size_t(o) * size_t(m)];
        std::copy_n(old, from, col);
        for (int i = from; i < m; ++i) {
            double v = 0;
            for (int p : structural)
                v -= lp.at(i, s.head[size_t(p)]) * old[p];
            col[i] = v;
        }
    }
    inverse.values = std::move(values);
    inverse.m = m;
    return true;
}

// The basis `s` ended on, carried over to the programme with rows [from, lp.m) appended, their
// logicals basic. The costs do not move, so the basis stays dual feasible and the dual simplex
// only has to bring the new rows' slacks within their bounds: a handful of pivots where a start
// from the slack basis takes hundreds. Its inverse is extended from the last one where that is
// at hand, else computed afresh; updated through round after round of pivots it can drift, and
// the tangents of one limit at nearby mixes make for bases where that drift shows in the values,
// so the round checks what it solved from it.
std::optional<BoundedSolution> withRowsAppended(const BoundedLp& lp, BoundedSolution s, int from,
                                                bool& extended) {
    const int n = lp.n, m = lp.m;
    for (int i = from; i < m; ++i)
        s.head.push_back(n + i);
    s.x.resize(size_t(n + m), 0.0);
    s.d.resize(size_t(n + m), 0.0);
    s.state.resize(size_t(n + m), ColumnState::Basic);
    extended = extendInverse(lp, s, from);
    if (!extended && !refactor(lp, s))
        return std::nullopt;
    return s;
}

// The programme without the rows `drop` marks, each of them a row whose logical is basic, and the
// basis `s` carried over without those logicals (its inverse is computed afresh when rows are
// next appended). The reduced costs stay as they were (the rows' duals are 0), and so does the
// optimum.
void dropRows(BoundedLp& lp, BoundedSolution& s, const std::vector<bool>& drop) {
    const int n = lp.n, m = lp.m;
    std::vector<int> newRow(size_t(m), -1);
    int kept = 0;
    for (int i = 0; i < m; ++i)
        if (!drop[size_t(i)])
            newRow[size_t(i)] = kept++;
    std::vector<int> head;
    for (int p = 0; p < m; ++p)
        if (const int j = s.head[size_t(p)]; j < n || !drop[size_t(j - n)])
            head.push_back(j < n ? j : n + newRow[size_t(j - n)]);
    auto squeeze = [&](auto& v) {
        int to = n;
        for (int i = 0; i < m; ++i)
            if (!drop[size_t(i)])
                v[size_t(to++)] = v[size_t(n + i)];
        v.resize(size_t(n + kept));
    };
    squeeze(s.x);
    squeeze(s.d);
    squeeze(s.state);
    squeeze(lp.lower);
    squeeze(lp.upper);
    // In place, keeping the rows' storage for the next round's tangents.
    for (int i = 0; i < m; ++i)
        if (const int to = newRow[size_t(i)]; to >= 0 && to != i) {
            std::copy_n(lp.a.begin() + long(i) * n, n, lp.a.begin() + long(to) * n);
            lp.b[size_t(to)] = lp.b[size_t(i)];
        }
    lp.a.resize(size_t(kept) * size_t(n));
    lp.b.resize(size_t(kept));
    if (lp.sumRow >= 0)
        lp.sumRow = newRow[size_t(lp.sumRow)];
    // The inverse without the dropped rows' logicals: their positions leave every column, and
    // no column is one of theirs (only rows whose logical is not basic have one).
    InverseColumns& inverse = s.inverse;
    if (inverse.m == m) {
        std::vector<bool> keep(size_t(m), false);
        for (int p = 0; p < m; ++p)
            if (const int j = s.head[size_t(p)]; j < n || !drop[size_t(j - n)])
                keep[size_t(p)] = true;
        for (int o = 0; o < inverse.slots(); ++o) {
            const double* col = inverse.column(o);
            double* to = &inverse.values[size_t(o) * size_t(kept)];
            for (int p = 0; p < m; ++p)
                if (keep[size_t(p)])
                    *to++ = col[p];
            inverse.open[size_t(o)] = newRow[size_t(inverse.open[size_t(o)])];
        }
        inverse.values.resize(size_t(inverse.slots()) * size_t(kept));
        inverse.m = kept;
    }
    lp.m = kept;
    s.head = std::move(head);
}

} // namespace lp
