#include "tf/SparseRows.h"

namespace tarvex {
namespace tf {

SparseRows SparseRows::From(const Matrix<double>& m, int rows, int cols)
{
    SparseRows s;
    s.rows = rows;
    s.cols = cols;
    s.start.assign(static_cast<std::size_t>(rows) + 2, 0);
    s.total.assign(static_cast<std::size_t>(rows) + 1, 0.0);
    for (int r = 1; r <= rows; ++r) {
        const double* row = m.row(r);
        double total = 0;
        for (int c = 1; c <= cols; ++c) {
            total += row[c];
            if (row[c] == 0) continue;
            s.col.push_back(c);
            s.value.push_back(row[c]);
        }
        s.total[r] = total;
        s.start[static_cast<std::size_t>(r) + 1] = s.col.size();
    }
    return s;
}

SparseRows SparseRows::Transposed() const
{
    SparseRows t;
    t.rows = cols;
    t.cols = rows;
    t.start.assign(static_cast<std::size_t>(cols) + 2, 0);
    t.total.assign(static_cast<std::size_t>(cols) + 1, 0.0);
    for (int c : col) ++t.start[static_cast<std::size_t>(c) + 1];
    for (int c = 1; c <= cols; ++c) t.start[static_cast<std::size_t>(c) + 1] += t.start[c];
    t.col.resize(col.size());
    t.value.resize(value.size());
    std::vector<std::size_t> next(t.start.begin(), t.start.end());
    for (int r = 1; r <= rows; ++r)
        for (std::size_t e = Begin(r); e < End(r); ++e) {
            const std::size_t at = next[static_cast<std::size_t>(col[e])]++;
            t.col[at] = r;
            t.value[at] = value[e];
            t.total[static_cast<std::size_t>(col[e])] += value[e];
        }
    return t;
}

}  // namespace tf
}  // namespace tarvex
