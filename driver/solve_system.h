// The one seam between the console driver and a solver.
#pragma once

#include <cstdio>

// Reads the system from `in`, solves it and writes the solution, or the
// degeneracy line, to `out`.  Returns 1 when the solve completed and -1 when
// the system could not be read or its storage could not be obtained; then
// nothing has been written.  Opens and closes neither stream.
//
// Each program links exactly one definition: hsolve_rows the solver over
// row storage, hsolve_flat the one over contiguous storage.
int solve_system(std::FILE* in, std::FILE* out);
