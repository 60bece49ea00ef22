#include "optimizer/engine/block_lp.h"

namespace lp {

BoundedLp BlockLp::dense() const {
    BoundedLp out;
    out.m = m;
    out.n = n;
    out.spanRows = true;
    out.a.assign(static_cast<std::size_t>(m) * n, 0.0);
    for (const Block& blk : blocks)
        for (int jj = 0; jj < blk.cols; ++jj)
            for (int i = 0; i < blk.rows; ++i)
                out.a[static_cast<std::size_t>(blk.row0 + i) * n + blk.col0 + jj] =
                    blk.column(jj)[i];
    for (int j = 0; j < n; ++j)
        if (link[j] >= 0)
            out.a[static_cast<std::size_t>(linkRow0 + link[j]) * n + j] = linkCoef[j];
    out.b = b;
    out.cost = cost;
    out.lower = lower;
    out.upper = upper;
    return out;
}

} // namespace lp
