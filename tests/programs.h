// The two programs under test; their paths come from the build.
#pragma once

struct program {
    const char* name;
    const char* path;
};

inline const program programs[] = {
    {"rows", HSOLVE_ROWS_PATH},
    {"flat", HSOLVE_FLAT_PATH},
};
