#pragma once

#include <vector>

namespace lp {

struct BlockLp;

// The basis of a block-angular programme, factored by block. The rows of a block meet only
// that block's columns, so a basis holds at least as many of a block's columns (its
// structurals and the logicals of its rows) as the block has rows. In each block a square set,
// the pivot columns, is kept as an explicit inverse, rows x rows; the block's other basic
// columns, the extras, are as many in all as the link rows whose logical is not basic, and
// are solved through the small dense Schur complement of the link rows. A product with B^-1
// then costs a few products with the blocks it touches, not (rows) x (rows).
//
// After a pivot, a block's inverse takes a rank-one update when the new pivot column has a
// large enough entry in the row it takes over; otherwise, and after every 50 updates, the
// block is factored afresh with complete pivoting.
class BlockBasis {
public:
    explicit BlockBasis(const BlockLp& lp);

    // Factors the basis whose column in position p is head[p]. False when it is singular.
    bool factor(const std::vector<int>& head);
    // The column in position p leaves and `entering` takes its place.
    bool replace(int p, int entering);

    // out (by position) = B^-1 v (by row).
    void ftran(const double* v, double* out);
    // The same for v = column j of [A | I], which is about to enter: its product with its
    // block's inverse is kept for the update that follows.
    void ftranEntering(int j, const double* v, double* out);
    // y (by row) = B^-T c (by position): the combination of rows whose product with the basic
    // columns is c.
    void btran(const double* c, double* y);

    int column(int p) const { return head_[static_cast<std::size_t>(p)]; }
    int position(int j) const { return pos_[static_cast<std::size_t>(j)]; }

private:
    struct Factor {
        std::vector<int> members;     // every basic column of the block
        std::vector<int> pivotColumn; // the column pivoted on each of the block's rows
        std::vector<double> r;        // rows x rows: pivot column i takes (r v)[i]
        std::vector<int> extras;      // the block's other basic columns
        std::vector<double> w;        // extras x rows: r times each extra's block column
        std::vector<double> s;        // extras x links: each extra's column of the complement
        int updates = 0;
    };

    int home(int j) const;
    void blockColumn(int f, int j, double* out) const;
    bool factorBlock(int f);
    void addExtra(int f, int j);
    void removeExtra(int f, int e);
    bool promoteExtra(int f, int row);
    void rankOne(int f, int row, const double* u);
    void linkColumns(int f);
    bool invertComplement();

    const BlockLp& lp_;
    std::vector<int> head_, pos_;
    std::vector<Factor> factors_;
    std::vector<char> linkBasic_;              // by link: its logical is basic
    std::vector<int> extraBlock_, extraIndex_; // of each extra, in the complement's order
    std::vector<int> openLinks_;               // links whose logical is not basic
    std::vector<double> complementInverse_;
    std::vector<double> u_, cp_, rhsLinks_, rhsOpen_, solved_, scratch_;
    std::vector<char> touched_;
    int entering_ = -1; // the column ftranEntering kept `enteringProduct_` for
    std::vector<double> enteringProduct_;
};

} // namespace lp
