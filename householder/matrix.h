// How the solver reaches row i of a matrix, whichever storage keeps it.
//
// Row storage keeps every row in an allocation of its own: row i starts at
// rows[i].  Contiguous storage keeps the matrix as one row-major block: row
// i starts at block + i*ld, where ld is the row length in use (N for A, the
// order m of the current trailing block for the packed H and T).  Rows are
// contiguous in both, which is all the arithmetic needs.
#pragma once

#include <cstddef>

namespace householder {

struct matrix_ref {
    double* const* rows;  // row storage, or null
    double* block;        // contiguous storage, when rows is null
};

inline double* row_of(const matrix_ref& a, std::size_t i, std::size_t ld)
{
    return a.rows ? a.rows[i] : a.block + i * ld;
}

// A rectangle of a matrix: element (i, j) is row_of(ref, r0 + i, ld)[c0 + j].
struct view {
    matrix_ref ref;
    std::size_t ld;
    std::size_t r0;
    std::size_t c0;

    double* row(std::size_t i) const { return row_of(ref, r0 + i, ld) + c0; }
};

}  // namespace householder
