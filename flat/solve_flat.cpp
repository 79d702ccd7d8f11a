#include "flat/solve_flat.h"

#include <memory>

#include "householder/solve.h"
#include "sysfile/sysfile.h"

namespace flat {

int solve_system(std::FILE* in, std::FILE* out)
{
    long order;
    if (!sysfile::read_order(in, order))
        return -1;
    const auto n = static_cast<std::size_t>(order);
    const householder::kernel_path path = householder::best_kernel_path();

    if (!householder::size_fits(n, n))
        return -1;
    std::unique_ptr<double[]> a = householder::allocate_doubles(n * n);
    std::unique_ptr<double[]> h = householder::allocate_doubles(n * n);
    std::unique_ptr<double[]> t = householder::allocate_doubles(n * n);
    householder::vectors vec;
    if (!a || !h || !t || !householder::allocate_vectors(vec, n, path))
        return -1;

    const householder::system_storage s{
        n,           {nullptr, a.get()}, {nullptr, h.get()},
        {nullptr, t.get()}, vec.b.get(), vec.v.get(), vec.w.get(),
        vec.pack.get(), path};
    if (!householder::read_equations(in, s))
        return -1;
    return householder::solve_and_write(out, s);
}

}  // namespace flat
