// The solver over contiguous storage: A, H and T are each one row-major
// block of N*N doubles; A has row length N, while H and T are packed with
// the row length m = N - k of the column being reduced.
#pragma once

#include <cstdio>

namespace flat {

// The solve_system contract (driver/solve_system.h).
int solve_system(std::FILE* in, std::FILE* out);

}  // namespace flat
