// The input is a system file.  Both storages solve it through in-memory
// streams; they must agree exactly, a failed read must write nothing, and a
// completed solve must write the degeneracy line or one line per unknown.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "flat/solve_flat.h"
#include "memstream.h"
#include "rows/solve_rows.h"

namespace {

constexpr long largest_order = 64;  // keeps every run fast

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    long n = 0;
    {
        std::string copy = text;
        std::FILE* f = fmemopen(copy.data(), copy.size(), "r");
        const int got = std::fscanf(f, "%ld", &n);
        std::fclose(f);
        if (got == 1 && n > largest_order)
            return 0;
    }

    const solve_result r = solve_in_memory(rows::solve_system, text);
    const solve_result f = solve_in_memory(flat::solve_system, text);
    check(r.rc == f.rc, "both storages return the same");
    check(r.out == f.out, "both storages write the same bytes");
    if (r.rc < 0) {
        check(r.rc == -1 && r.out.empty(), "a failed read writes nothing");
    } else {
        check(r.rc == 1, "a completed solve returns 1");
        std::size_t lines = 0;
        for (char c : r.out)
            lines += c == '\n';
        check(r.out == "Sistema virojdena!!!\n" ||
                  (n >= 1 && lines == static_cast<std::size_t>(n) && r.out.back() == '\n'),
              "the degeneracy line or one line per unknown");
    }
    return 0;
}
