#include "rows/solve_rows.h"

#include <memory>
#include <new>

#include "householder/solve.h"
#include "sysfile/sysfile.h"

namespace rows {

namespace {

// n rows of n doubles, each its own allocation; `count` rows are held.
struct row_matrix {
    std::unique_ptr<double*[]> rows;
    std::size_t count = 0;

    row_matrix() = default;
    row_matrix(const row_matrix&) = delete;
    row_matrix& operator=(const row_matrix&) = delete;
    ~row_matrix()
    {
        for (std::size_t i = 0; i < count; ++i)
            delete[] rows[i];
    }
};

bool allocate_rows(row_matrix& m, std::size_t n)
{
    if (!householder::size_fits(n, sizeof(double*)) ||
        !householder::size_fits(n, sizeof(double)))
        return false;
    m.rows.reset(new (std::nothrow) double*[n]);
    if (!m.rows)
        return false;
    for (; m.count < n; ++m.count) {
        m.rows[m.count] = new (std::nothrow) double[n];
        if (!m.rows[m.count])
            return false;
    }
    return true;
}

}  // namespace

int solve_system(std::FILE* in, std::FILE* out)
{
    long order;
    if (!sysfile::read_order(in, order))
        return -1;
    const auto n = static_cast<std::size_t>(order);
    const householder::kernel_path path = householder::best_kernel_path();

    row_matrix a, h, t;
    householder::vectors vec;
    if (!allocate_rows(a, n) || !allocate_rows(h, n) || !allocate_rows(t, n) ||
        !householder::allocate_vectors(vec, n, path))
        return -1;

    const householder::system_storage s{
        n,          {a.rows.get(), nullptr}, {h.rows.get(), nullptr},
        {t.rows.get(), nullptr}, vec.b.get(), vec.v.get(), vec.w.get(),
        vec.pack.get(), path};
    return householder::solve_read_system(in, out, s);
}

}  // namespace rows
