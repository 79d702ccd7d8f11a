// The core's peak rate of independent vector multiplies and adds.
#pragma once

#include "householder/product.h"

// GFLOP/s of a loop of independent multiplies and independent adds, one
// of each per element, in the vector width of `path` (scalar for the
// reference loops).  The path must be supported.
double peak_gflops(householder::kernel_path path, double seconds = 0.3);
