#include "optimizer/engine/block_basis.h"

#include "optimizer/engine/block_lp.h"
#include "optimizer/engine/dense_kernels.h"

#include <algorithm>
#include <cmath>

namespace lp {

namespace {

// A pivot this small against the largest entry it was chosen from makes a singular block.
constexpr double kSingular = 1e-11;
// A rank-one update takes a pivot no smaller than this against the largest entry of its
// column; a smaller one refactors the block, choosing its pivots afresh.
constexpr double kUpdatePivot = 1e-6;
constexpr int kUpdatesBeforeRefactor = 50;

double largestMagnitude(const double* v, int len) {
    double m = 0;
    for (int i = 0; i < len; ++i)
        m = std::max(m, std::abs(v[i]));
    return m;
}

// Gauss-Jordan inverse of the dense q x q matrix a (row-major) with partial pivoting.
bool invert(std::vector<double>& a, int q, std::vector<double>& inverse) {
    inverse.assign(static_cast<std::size_t>(q) * q, 0.0);
    for (int i = 0; i < q; ++i)
        inverse[static_cast<std::size_t>(i) * q + i] = 1;
    auto at = [q](std::vector<double>& m, int i, int j) -> double& {
        return m[static_cast<std::size_t>(i) * q + j];
    };
    // Each column against its own largest entry: the link rows' columns differ in scale.
    std::vector<double> scale(static_cast<std::size_t>(q), 0.0);
    for (int i = 0; i < q; ++i)
        for (int c = 0; c < q; ++c)
            scale[c] = std::max(scale[c], std::abs(at(a, i, c)));
    for (int c = 0; c < q; ++c) {
        int best = c;
        for (int i = c + 1; i < q; ++i)
            if (std::abs(at(a, i, c)) > std::abs(at(a, best, c)))
                best = i;
        if (!(std::abs(at(a, best, c)) > kSingular * scale[c]))
            return false;
        if (best != c)
            for (int j = 0; j < q; ++j) {
                std::swap(at(a, best, j), at(a, c, j));
                std::swap(at(inverse, best, j), at(inverse, c, j));
            }
        const double p = 1 / at(a, c, c);
        for (int j = 0; j < q; ++j) {
            at(a, c, j) *= p;
            at(inverse, c, j) *= p;
        }
        for (int i = 0; i < q; ++i) {
            const double f = at(a, i, c);
            if (i == c || f == 0)
                continue;
            axpy(&at(a, i, 0), &at(a, c, 0), -f, q);
            axpy(&at(inverse, i, 0), &at(inverse, c, 0), -f, q);
        }
    }
    return true;
}

} // namespace

BlockBasis::BlockBasis(const BlockLp& lp)
    : lp_(lp), head_(lp.m), pos_(lp.n + lp.m, -1), factors_(lp.blocks.size()),
      linkBasic_(lp.links, 0), u_(lp.linkRow0, 0.0), cp_(lp.linkRow0, 0.0),
      rhsLinks_(lp.links, 0.0), touched_(lp.blocks.size(), 0) {}

int BlockBasis::home(int j) const {
    return j < lp_.n ? lp_.blockOfColumn[j] : lp_.blockOfRow[j - lp_.n];
}

// The entries of column j in block f's rows.
void BlockBasis::blockColumn(int f, int j, double* out) const {
    const BlockLp::Block& b = lp_.blocks[f];
    if (j < lp_.n) {
        const double* c = b.column(j - b.col0);
        std::copy(c, c + b.rows, out);
        return;
    }
    std::fill(out, out + b.rows, 0.0);
    out[j - lp_.n - b.row0] = 1;
}

bool BlockBasis::factor(const std::vector<int>& head) {
    head_ = head;
    entering_ = -1;
    std::fill(pos_.begin(), pos_.end(), -1);
    std::fill(linkBasic_.begin(), linkBasic_.end(), 0);
    for (Factor& f : factors_)
        f.members.clear();
    for (int p = 0; p < lp_.m; ++p) {
        const int j = head_[p];
        pos_[j] = p;
        if (const int f = home(j); f >= 0)
            factors_[f].members.push_back(j);
        else
            linkBasic_[j - lp_.n - lp_.linkRow0] = 1;
    }
    for (std::size_t f = 0; f < factors_.size(); ++f)
        if (!factorBlock(static_cast<int>(f)))
            return false;
    return invertComplement();
}

// Gauss-Jordan on [members | I] with complete pivoting over the members: the pivoted members
// become the block's pivot columns, the identity's place holds their inverse, and the columns
// of the members left over hold the extras' products with it.
bool BlockBasis::factorBlock(int f) {
    Factor& fa = factors_[f];
    const int rows = lp_.blocks[f].rows;
    const int k = static_cast<int>(fa.members.size());
    if (k < rows)
        return false;
    const int width = k + rows;
    std::vector<double>& mat = scratch_;
    mat.assign(static_cast<std::size_t>(rows) * width, 0.0);
    std::vector<double> column(rows);
    for (int c = 0; c < k; ++c) {
        blockColumn(f, fa.members[c], column.data());
        for (int i = 0; i < rows; ++i)
            mat[static_cast<std::size_t>(i) * width + c] = column[i];
    }
    for (int i = 0; i < rows; ++i)
        mat[static_cast<std::size_t>(i) * width + k + i] = 1;
    auto row = [&](int i) { return &mat[static_cast<std::size_t>(i) * width]; };
    // Each member against its own largest entry: a block's rows mix energies in the thousands
    // with shares of one, and a pivot small only against another column's scale is sound.
    std::vector<double> inverseScale(static_cast<std::size_t>(k), 0.0);
    for (int i = 0; i < rows; ++i)
        for (int c = 0; c < k; ++c)
            inverseScale[c] = std::max(inverseScale[c], std::abs(row(i)[c]));
    for (double& v : inverseScale)
        v = v > 0 ? 1 / v : 0.0;
    std::vector<char> rowDone(rows, 0), colDone(k, 0);
    fa.pivotColumn.assign(rows, -1);
    for (int t = 0; t < rows; ++t) {
        int bi = -1, bc = -1;
        double best = 0;
        for (int i = 0; i < rows; ++i) {
            if (rowDone[i])
                continue;
            const double* ri = row(i);
            for (int c = 0; c < k; ++c)
                if (!colDone[c] && std::abs(ri[c]) * inverseScale[c] > best) {
                    best = std::abs(ri[c]) * inverseScale[c];
                    bi = i;
                    bc = c;
                }
        }
        if (bi < 0 || !(best > kSingular))
            return false;
        rowDone[bi] = colDone[bc] = 1;
        fa.pivotColumn[bi] = fa.members[bc];
        double* pr = row(bi);
        const double inv = 1 / pr[bc];
        for (int c = 0; c < width; ++c)
            pr[c] *= inv;
        for (int i = 0; i < rows; ++i) {
            const double factor = row(i)[bc];
            if (i != bi && factor != 0)
                axpy(row(i), pr, -factor, width);
        }
    }
    fa.r.resize(static_cast<std::size_t>(rows) * rows);
    for (int i = 0; i < rows; ++i)
        std::copy(row(i) + k, row(i) + width, fa.r.begin() + static_cast<long>(i) * rows);
    fa.extras.clear();
    fa.w.clear();
    for (int c = 0; c < k; ++c) {
        if (colDone[c])
            continue;
        fa.extras.push_back(fa.members[c]);
        for (int i = 0; i < rows; ++i)
            fa.w.push_back(row(i)[c]);
    }
    fa.updates = 0;
    linkColumns(f);
    return true;
}

// Each extra's column of the complement: its own link entry less the link entries of the
// pivot columns weighted by its product with the block's inverse.
void BlockBasis::linkColumns(int f) {
    Factor& fa = factors_[f];
    const int rows = lp_.blocks[f].rows, links = lp_.links;
    fa.s.assign(fa.extras.size() * static_cast<std::size_t>(links), 0.0);
    for (std::size_t e = 0; e < fa.extras.size(); ++e) {
        double* s = &fa.s[e * static_cast<std::size_t>(links)];
        const double* w = &fa.w[e * static_cast<std::size_t>(rows)];
        if (const int j = fa.extras[e]; j < lp_.n && lp_.link[j] >= 0)
            s[lp_.link[j]] += lp_.linkCoef[j];
        for (int i = 0; i < rows; ++i) {
            const int pc = fa.pivotColumn[i];
            if (w[i] != 0 && pc < lp_.n && lp_.link[pc] >= 0)
                s[lp_.link[pc]] -= lp_.linkCoef[pc] * w[i];
        }
    }
}

void BlockBasis::addExtra(int f, int j) {
    Factor& fa = factors_[f];
    const int rows = lp_.blocks[f].rows;
    fa.extras.push_back(j);
    if (j == entering_) {
        fa.w.insert(fa.w.end(), enteringProduct_.begin(), enteringProduct_.end());
        return;
    }
    std::vector<double> column(rows);
    blockColumn(f, j, column.data());
    for (int i = 0; i < rows; ++i)
        fa.w.push_back(dot(&fa.r[static_cast<std::size_t>(i) * rows], column.data(), rows));
}

void BlockBasis::removeExtra(int f, int e) {
    Factor& fa = factors_[f];
    const auto rows = static_cast<std::size_t>(lp_.blocks[f].rows);
    fa.extras.erase(fa.extras.begin() + e);
    fa.w.erase(fa.w.begin() + static_cast<long>(e * rows),
               fa.w.begin() + static_cast<long>((e + 1) * rows));
}

// The pivot column of `row` becomes the column whose product with the inverse is u.
void BlockBasis::rankOne(int f, int row, const double* u) {
    Factor& fa = factors_[f];
    const int rows = lp_.blocks[f].rows;
    const double inv = 1 / u[row];
    double* pivotRow = &fa.r[static_cast<std::size_t>(row) * rows];
    for (int c = 0; c < rows; ++c)
        pivotRow[c] *= inv;
    for (int i = 0; i < rows; ++i)
        if (i != row && u[i] != 0)
            axpy(&fa.r[static_cast<std::size_t>(i) * rows], pivotRow, -u[i], rows);
    for (std::size_t e = 0; e < fa.extras.size(); ++e) {
        double* w = &fa.w[e * static_cast<std::size_t>(rows)];
        w[row] *= inv;
        if (w[row] != 0)
            for (int i = 0; i < rows; ++i)
                if (i != row)
                    w[i] -= u[i] * w[row];
    }
    ++fa.updates;
}

// The pivot column of `row` has left the basis: the extra with the largest entry there takes
// its place, or the block is factored afresh.
bool BlockBasis::promoteExtra(int f, int row) {
    Factor& fa = factors_[f];
    const int rows = lp_.blocks[f].rows;
    int best = -1;
    double bestEntry = 0;
    for (std::size_t e = 0; e < fa.extras.size(); ++e) {
        const double* w = &fa.w[e * static_cast<std::size_t>(rows)];
        const double entry = std::abs(w[row]);
        if (entry > kUpdatePivot * largestMagnitude(w, rows) && entry > bestEntry) {
            best = static_cast<int>(e);
            bestEntry = entry;
        }
    }
    if (best < 0 || fa.updates >= kUpdatesBeforeRefactor)
        return factorBlock(f);
    std::vector<double> u(fa.w.begin() + static_cast<long>(best) * rows,
                          fa.w.begin() + static_cast<long>(best + 1) * rows);
    fa.pivotColumn[row] = fa.extras[best];
    removeExtra(f, best);
    rankOne(f, row, u.data());
    linkColumns(f);
    return true;
}

bool BlockBasis::replace(int p, int entering) {
    const int leaving = head_[p];
    if (entering != entering_)
        entering_ = -1;
    head_[p] = entering;
    pos_[leaving] = -1;
    pos_[entering] = p;
    const int from = home(leaving), to = home(entering);
    if (from < 0)
        linkBasic_[leaving - lp_.n - lp_.linkRow0] = 0;
    else {
        auto& members = factors_[from].members;
        members.erase(std::find(members.begin(), members.end(), leaving));
    }
    if (to < 0)
        linkBasic_[entering - lp_.n - lp_.linkRow0] = 1;
    else
        factors_[to].members.push_back(entering);

    if (to >= 0)
        addExtra(to, entering);
    if (from >= 0) {
        Factor& fa = factors_[from];
        const auto extra = std::find(fa.extras.begin(), fa.extras.end(), leaving);
        bool ok = true;
        if (extra != fa.extras.end()) {
            removeExtra(from, static_cast<int>(extra - fa.extras.begin()));
            linkColumns(from);
        } else {
            const auto row =
                static_cast<int>(std::find(fa.pivotColumn.begin(), fa.pivotColumn.end(), leaving) -
                                 fa.pivotColumn.begin());
            ok = promoteExtra(from, row);
        }
        if (!ok)
            return false;
    }
    if (to >= 0 && to != from)
        linkColumns(to);
    entering_ = -1;
    return invertComplement();
}

// The complement of the link rows whose logical is not basic over the extras of every block.
bool BlockBasis::invertComplement() {
    extraBlock_.clear();
    extraIndex_.clear();
    for (std::size_t f = 0; f < factors_.size(); ++f)
        for (std::size_t e = 0; e < factors_[f].extras.size(); ++e) {
            extraBlock_.push_back(static_cast<int>(f));
            extraIndex_.push_back(static_cast<int>(e));
        }
    openLinks_.clear();
    for (int l = 0; l < lp_.links; ++l)
        if (!linkBasic_[l])
            openLinks_.push_back(l);
    const int q = static_cast<int>(openLinks_.size());
    if (static_cast<int>(extraBlock_.size()) != q)
        return false;
    std::vector<double> s(static_cast<std::size_t>(q) * q);
    for (int b = 0; b < q; ++b) {
        const Factor& fa = factors_[extraBlock_[b]];
        const double* column = &fa.s[static_cast<std::size_t>(extraIndex_[b]) * lp_.links];
        for (int a = 0; a < q; ++a)
            s[static_cast<std::size_t>(a) * q + b] = column[openLinks_[a]];
    }
    return invert(s, q, complementInverse_);
}

void BlockBasis::ftranEntering(int j, const double* v, double* out) {
    entering_ = -1;
    const int f = home(j);
    if (f >= 0) {
        const BlockLp::Block& b = lp_.blocks[f];
        const double* vf = v + b.row0;
        enteringProduct_.resize(b.rows);
        for (int i = 0; i < b.rows; ++i)
            enteringProduct_[i] =
                dot(&factors_[f].r[static_cast<std::size_t>(i) * b.rows], vf, b.rows);
        entering_ = j;
    }
    ftran(v, out);
}

void BlockBasis::ftran(const double* v, double* out) {
    const int links = lp_.links, q = static_cast<int>(openLinks_.size());
    std::fill(out, out + lp_.m, 0.0);
    std::copy(v + lp_.linkRow0, v + lp_.linkRow0 + links, rhsLinks_.begin());
    for (std::size_t f = 0; f < factors_.size(); ++f) {
        const BlockLp::Block& b = lp_.blocks[f];
        const Factor& fa = factors_[f];
        const double* vf = v + b.row0;
        touched_[f] = std::any_of(vf, vf + b.rows, [](double x) { return x != 0; });
        if (!touched_[f])
            continue;
        double* u = &u_[static_cast<std::size_t>(b.row0)];
        for (int i = 0; i < b.rows; ++i) {
            u[i] = dot(&fa.r[static_cast<std::size_t>(i) * b.rows], vf, b.rows);
            const int pc = fa.pivotColumn[i];
            if (u[i] != 0 && pc < lp_.n && lp_.link[pc] >= 0)
                rhsLinks_[lp_.link[pc]] -= lp_.linkCoef[pc] * u[i];
        }
    }
    solved_.assign(q, 0.0);
    for (int a = 0; a < q; ++a) {
        const double r = rhsLinks_[openLinks_[a]];
        if (r != 0)
            for (int b = 0; b < q; ++b)
                solved_[b] += complementInverse_[static_cast<std::size_t>(b) * q + a] * r;
    }
    for (int b = 0; b < q; ++b) {
        const int f = extraBlock_[b];
        const Factor& fa = factors_[f];
        const double* s = &fa.s[static_cast<std::size_t>(extraIndex_[b]) * links];
        if (solved_[b] == 0)
            continue;
        for (int l = 0; l < links; ++l)
            if (linkBasic_[l])
                rhsLinks_[l] -= s[l] * solved_[b];
        const BlockLp::Block& blk = lp_.blocks[f];
        double* u = &u_[static_cast<std::size_t>(blk.row0)];
        if (!touched_[f]) {
            std::fill(u, u + blk.rows, 0.0);
            touched_[f] = 1;
        }
        axpy(u, &fa.w[static_cast<std::size_t>(extraIndex_[b]) * blk.rows], -solved_[b], blk.rows);
    }
    for (int b = 0; b < q; ++b)
        out[pos_[factors_[extraBlock_[b]].extras[extraIndex_[b]]]] = solved_[b];
    for (int l = 0; l < links; ++l)
        if (linkBasic_[l])
            out[pos_[lp_.n + lp_.linkRow0 + l]] = rhsLinks_[l];
    for (std::size_t f = 0; f < factors_.size(); ++f) {
        if (!touched_[f])
            continue;
        const BlockLp::Block& b = lp_.blocks[f];
        const double* u = &u_[static_cast<std::size_t>(b.row0)];
        for (int i = 0; i < b.rows; ++i)
            out[pos_[factors_[f].pivotColumn[i]]] = u[i];
    }
}

void BlockBasis::btran(const double* c, double* y) {
    const int links = lp_.links, q = static_cast<int>(openLinks_.size());
    std::fill(y, y + lp_.m, 0.0);
    double* yLinks = y + lp_.linkRow0;
    for (int l = 0; l < links; ++l)
        if (linkBasic_[l])
            yLinks[l] = c[pos_[lp_.n + lp_.linkRow0 + l]];
    for (std::size_t f = 0; f < factors_.size(); ++f) {
        const BlockLp::Block& b = lp_.blocks[f];
        for (int i = 0; i < b.rows; ++i)
            cp_[static_cast<std::size_t>(b.row0 + i)] = c[pos_[factors_[f].pivotColumn[i]]];
    }
    rhsOpen_.assign(q, 0.0);
    for (int b = 0; b < q; ++b) {
        const int f = extraBlock_[b], e = extraIndex_[b];
        const Factor& fa = factors_[f];
        const BlockLp::Block& blk = lp_.blocks[f];
        const double* s = &fa.s[static_cast<std::size_t>(e) * links];
        double r = c[pos_[fa.extras[e]]] -
                   dot(&fa.w[static_cast<std::size_t>(e) * blk.rows], &cp_[blk.row0], blk.rows);
        for (int l = 0; l < links; ++l)
            if (linkBasic_[l] && yLinks[l] != 0)
                r -= s[l] * yLinks[l];
        rhsOpen_[b] = r;
    }
    for (int a = 0; a < q; ++a) {
        double sum = 0;
        for (int b = 0; b < q; ++b)
            sum += complementInverse_[static_cast<std::size_t>(b) * q + a] * rhsOpen_[b];
        yLinks[openLinks_[a]] = sum;
    }
    for (std::size_t f = 0; f < factors_.size(); ++f) {
        const BlockLp::Block& b = lp_.blocks[f];
        const Factor& fa = factors_[f];
        double* t = &cp_[static_cast<std::size_t>(b.row0)];
        bool any = false;
        for (int i = 0; i < b.rows; ++i) {
            const int pc = fa.pivotColumn[i];
            if (pc < lp_.n && lp_.link[pc] >= 0)
                t[i] -= lp_.linkCoef[pc] * yLinks[lp_.link[pc]];
            any = any || t[i] != 0;
        }
        if (!any)
            continue;
        double* yf = y + b.row0;
        for (int i = 0; i < b.rows; ++i)
            if (t[i] != 0)
                axpy(yf, &fa.r[static_cast<std::size_t>(i) * b.rows], t[i], b.rows);
    }
}

} // namespace lp
