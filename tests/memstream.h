// Running a solve_system on in-memory streams.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

struct solve_result {
    int rc;
    std::string out;
};

inline solve_result solve_in_memory(int (*solve)(std::FILE*, std::FILE*),
                                    const std::string& system)
{
    std::string copy = system;
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* out = open_memstream(&buf, &len);
    const int rc = solve(in, out);
    std::fclose(in);
    std::fclose(out);
    solve_result r{rc, std::string(buf, len)};
    std::free(buf);
    return r;
}
