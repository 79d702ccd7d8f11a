// The two solvers, for tests that run both in one executable.
#pragma once

#include <cstdio>
#include <ostream>

#include "flat/solve_flat.h"
#include "rows/solve_rows.h"

struct storage {
    const char* name;
    int (*solve)(std::FILE*, std::FILE*);
};

inline const storage storages[] = {{"rows", rows::solve_system},
                                   {"flat", flat::solve_system}};

inline void PrintTo(const storage& s, std::ostream* os) { *os << s.name; }
