// hsolve_rows: the console driver bound to the solver over row storage.
#include "driver/solve_system.h"
#include "rows/solve_rows.h"

int solve_system(std::FILE* in, std::FILE* out)
{
    return rows::solve_system(in, out);
}
