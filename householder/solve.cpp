#include "householder/solve.h"

#include <new>

#include "sysfile/sysfile.h"

namespace householder {

std::unique_ptr<double[]> allocate_doubles(std::size_t count)
{
    if (!size_fits(count, sizeof(double)))
        return nullptr;
    return std::unique_ptr<double[]>(new (std::nothrow) double[count]);
}

bool allocate_vectors(vectors& vec, std::size_t n, kernel_path path)
{
    vec.b = allocate_doubles(n);
    vec.v = allocate_doubles(n);
    vec.w = allocate_doubles(n);
    vec.pack = allocate_doubles(pack_doubles(path, n));
    return vec.b && vec.v && vec.w && vec.pack;
}

bool read_equations(std::FILE* in, const system_storage& s)
{
    for (std::size_t i = 0; i < s.n; ++i)
        if (!sysfile::read_equation(in, row_of(s.a, i, s.n), s.n, s.b[i]))
            return false;
    return true;
}

int solve_and_write(std::FILE* out, const system_storage& s)
{
    triangularise(s);
    if (degenerate(s)) {
        sysfile::write_degenerate(out);
        return 1;
    }

    std::unique_ptr<double[]> x = allocate_doubles(s.n);
    if (!x)
        return -1;
    back_substitute(s, x.get());
    sysfile::write_solution(out, x.get(), s.n);
    return 1;
}

}  // namespace householder
