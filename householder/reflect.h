// One Householder sweep over the columns of A, storage-neutral.
//
// For column k, with m = N - k, the reflection I - 2 v v' maps the column
// from the diagonal down onto -nu e1.  It is formed as an explicit m x m
// matrix H and applied as the products  A(k.., k+1..) = H T  and
// b(k..) = H w, where T and w are copies of the trailing block and of
// b(k..) taken before they are overwritten.
#pragma once

#include <cstddef>

#include "householder/matrix.h"
#include "householder/product.h"

namespace householder {

// What one solve works on.  A has row length n in contiguous storage; H and
// T are packed with the row length m of the current column.
struct system_storage {
    std::size_t n;
    matrix_ref a, h, t;
    double* b;          // n doubles
    double* v;          // n doubles
    double* w;          // n doubles
    double* pack;       // pack_doubles(path, n) doubles
    kernel_path path;
};

// The unit reflection vector of a column col[0 .. m-1] (diagonal first):
//
//   nu     = sqrt(sum col(i)^2)
//   lambda = sqrt((nu + col(0))^2 + sum_{i>0} col(i)^2)
//   v      = (col + nu e1) / lambda
//
// with both sums from +0.0, i ascending.  Writes v[0 .. m-1], returns nu.
// The plus sign is kept whatever the sign of col(0).  When a sum of squares
// would overflow or underflow, the same formulas are evaluated on the column
// scaled by exact powers of two, which gives what they would give with
// unlimited range (columns with inf or NaN entries excepted).
double reflection_vector(const double* col, std::size_t m, double* v);

// H(c, r) = 1 - (t + t) for r = c and t * (-2) otherwise, t = v(c) * v(r).
void reflection_matrix(const double* v, std::size_t m, const view& h);

// Reduces column k: skipped when everything below the diagonal is exactly
// zero, otherwise reflected as described above.
void reduce_column(const system_storage& s, std::size_t k);

// Columns 0 .. n-1 in turn.
void triangularise(const system_storage& s);

// Whether a diagonal entry of the reduced A is exactly zero.
bool degenerate(const system_storage& s);

// x(i) = (b(i) - sum_{c>i} x(c) a(i, c)) / a(i, i), i from n-1 down,
// the sum taken c ascending.
void back_substitute(const system_storage& s, double* x);

}  // namespace householder
