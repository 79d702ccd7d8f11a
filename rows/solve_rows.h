// The solver over row storage: A, H and T are each N separately allocated
// rows of N doubles, reached through a table of N row pointers.
#pragma once

#include <cstdio>

namespace rows {

// The solve_system contract (driver/solve_system.h).
int solve_system(std::FILE* in, std::FILE* out);

}  // namespace rows
