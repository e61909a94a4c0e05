#pragma once

#include <cstddef>
#include <vector>

#include "app/Matrix.h"

namespace tarvex {
namespace tf {

// A table of abundances (sites or samples by taxa) held by its non-zero entries, row after
// row: every sum over sites walks only what is there. Pollen and diatom tables are mostly
// zeros (the North American set has 17 of 134 taxa at an average site).
struct SparseRows {
    int rows = 0;  // rows 1..rows
    int cols = 0;  // taxa 1..cols
    // Row r's entries are start[r] .. start[r + 1] - 1 of col and value; start has rows + 2
    // elements and start[0] = start[1] = 0.
    std::vector<std::size_t> start;
    std::vector<int> col;
    std::vector<double> value;
    std::vector<double> total;  // [0..rows]: the sum of the row's values, in taxon order

    std::size_t Begin(int r) const { return start[static_cast<std::size_t>(r)]; }
    std::size_t End(int r) const { return start[static_cast<std::size_t>(r) + 1]; }

    // Rows 1..rows and columns 1..cols of m.
    static SparseRows From(const Matrix<double>& m, int rows, int cols);

    // The same entries by column: row c of the result lists column c's entries in ascending
    // row order (its col holds the row numbers, its total the column sums in row order).
    SparseRows Transposed() const;
};

}  // namespace tf
}  // namespace tarvex
