#include "rows/solve_rows.h"

#include <memory>
#include <new>

#include "householder/solve.h"
#include "sysfile/sysfile.h"

namespace rows {

namespace {

// Up to n rows of n doubles, each its own allocation; the first `count`
// are held.
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

bool allocate_table(row_matrix& m, std::size_t n)
{
    if (!householder::size_fits(n, sizeof(double*)) ||
        !householder::size_fits(n, sizeof(double)))
        return false;
    m.rows.reset(new (std::nothrow) double*[n]);
    return m.rows != nullptr;
}

bool add_row(row_matrix& m, std::size_t n)
{
    m.rows[m.count] = new (std::nothrow) double[n];
    if (!m.rows[m.count])
        return false;
    ++m.count;
    return true;
}

bool allocate_rows(row_matrix& m, std::size_t n)
{
    while (m.count < n)
        if (!add_row(m, n))
            return false;
    return true;
}

}  // namespace

// Each row of A is obtained just before its equation is read, and H and T
// once the whole system is in: a file that declares a huge order but ends
// early fails after one row, not after some 3N large allocations.
int solve_system(std::FILE* in, std::FILE* out)
{
    long order;
    if (!sysfile::read_order(in, order))
        return -1;
    const auto n = static_cast<std::size_t>(order);
    const householder::kernel_path path = householder::best_kernel_path();

    row_matrix a, h, t;
    householder::vectors vec;
    if (!allocate_table(a, n) || !allocate_table(h, n) || !allocate_table(t, n) ||
        !householder::allocate_vectors(vec, n, path))
        return -1;

    for (std::size_t i = 0; i < n; ++i)
        if (!add_row(a, n) || !sysfile::read_equation(in, a.rows[i], n, vec.b[i]))
            return -1;
    if (!allocate_rows(h, n) || !allocate_rows(t, n))
        return -1;

    const householder::system_storage s{
        n,          {a.rows.get(), nullptr}, {h.rows.get(), nullptr},
        {t.rows.get(), nullptr}, vec.b.get(), vec.v.get(), vec.w.get(),
        vec.pack.get(), path};
    return householder::solve_and_write(out, s);
}

}  // namespace rows
