// The product that applies one reflection to the trailing block:
//
//   C(i, j) = sum over l = 0 .. depth-1, ascending, of T(l, j) * H(i, l)
//
// for i < rows, j < cols.  Each C(i, j) starts from +0.0 and adds one
// product at a time, the multiply and the add each rounded on their own, so
// every path below gives the same bits as the reference loops.  C must not
// overlap H or T.
#pragma once

#include <cstddef>

#include "householder/matrix.h"

namespace householder {

enum class kernel_path {
    reference,  // the loops exactly as the formula reads
    portable,   // register-blocked, 128-bit vectors: any CPU
    avx2,       // register-blocked, 256-bit vectors
    avx512,     // register-blocked, 512-bit vectors
};

inline constexpr kernel_path all_kernel_paths[] = {
    kernel_path::reference, kernel_path::portable, kernel_path::avx2,
    kernel_path::avx512};

const char* kernel_name(kernel_path path);

// Whether this CPU can run the path.
bool kernel_supported(kernel_path path);

// The fastest path this CPU supports.
kernel_path best_kernel_path();

// Doubles of packing buffer that product() needs for blocks of up to
// `order` rows, columns and depth (0 for the reference loops).
std::size_t pack_doubles(kernel_path path, std::size_t order);

// C = H * T as above.  `pack` holds pack_doubles(path, order) doubles for
// an order at least rows, cols and depth; it is scratch, contents ignored.
void product(kernel_path path, std::size_t rows, std::size_t cols,
             std::size_t depth, const view& c, const view& h, const view& t,
             double* pack);

// The reference loops: row i, column j, then l.
void product_reference(std::size_t rows, std::size_t cols, std::size_t depth,
                       const view& c, const view& h, const view& t);

}  // namespace householder
