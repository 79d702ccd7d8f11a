// hsolve_flat: the console driver bound to the solver over contiguous
// storage.
#include "driver/solve_system.h"
#include "flat/solve_flat.h"

int solve_system(std::FILE* in, std::FILE* out)
{
    return flat::solve_system(in, out);
}
