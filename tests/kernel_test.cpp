// Every kernel path this CPU supports against the reference loops, bit for
// bit, on blocks of awkward sizes in both storages, with -0.0, infinities
// and NaNs among the entries.  Also: nothing outside the C block is written,
// and what C held before does not matter.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "householder/product.h"
#include "householder/reflect.h"
#include "systems.h"

using namespace householder;

namespace {

constexpr double guard = 12345.678;  // what lies around the C block

// A matrix in one of the two storages, with room around the block in use.
struct test_matrix {
    std::size_t rows, cols;
    bool row_storage;
    std::vector<double> block;
    std::vector<std::unique_ptr<double[]>> owned;
    std::vector<double*> table;

    test_matrix(std::size_t r, std::size_t c, bool by_rows)
        : rows(r), cols(c), row_storage(by_rows)
    {
        if (by_rows) {
            for (std::size_t i = 0; i < r; ++i) {
                owned.emplace_back(new double[c]);
                std::fill_n(owned.back().get(), c, guard);
                table.push_back(owned.back().get());
            }
        } else {
            block.assign(r * c, guard);
        }
    }
    double* row(std::size_t i) { return row_storage ? table[i] : block.data() + i * cols; }
    // The block starting at (r0, c0).
    view at(std::size_t r0, std::size_t c0)
    {
        return row_storage ? view{{table.data(), nullptr}, cols, r0, c0}
                           : view{{nullptr, block.data()}, cols, r0, c0};
    }
};

double entry(systems::rng& r)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    switch (r.below(50)) {
    case 0: return -0.0;
    case 1: return 0.0;
    case 2: return r.chance(0.5) ? inf : -inf;
    case 3: return r.chance(0.5) ? nan : -nan;
    default: return (2 * r.unit() - 1) * std::ldexp(1.0, static_cast<int>(r.below(20)) - 10);
    }
}

// The same bits; for a NaN, a NaN.  Which NaN operand a multiply or an add
// passes on is left open by IEEE 754 (it does not interpret the sign of a
// NaN), and a compiler may commute the operands, so only NaN-ness is part of
// the result.
bool same_result(double want, double got)
{
    if (std::isnan(want))
        return std::isnan(got);
    return std::memcmp(&want, &got, sizeof want) == 0;
}

struct shape {
    std::size_t rows, cols, depth;
};

std::vector<shape> shapes()
{
    // Around the register tiles (MR 4 and 8, NR 4, 8 and 24), primes, and
    // past the packed blocks (depth 256, 192 rows, 264 columns).
    const std::size_t awkward[] = {1, 2, 3, 4, 5, 7, 8, 9, 11, 13, 16, 17, 23, 24, 25, 31, 47, 49, 53, 61, 70};
    std::vector<shape> all;
    for (std::size_t s : awkward)
        all.push_back({s, s, s});
    systems::rng r(7);
    for (int i = 0; i < 60; ++i)
        all.push_back({awkward[r.below(std::size(awkward))], awkward[r.below(std::size(awkward))],
                       awkward[r.below(std::size(awkward))]});
    all.push_back({193, 9, 300});
    all.push_back({9, 265, 257});
    all.push_back({200, 280, 520});
    all.push_back({70, 69, 513});
    return all;
}

struct path_storage {
    kernel_path path;
    bool rows;
};

class Kernel : public ::testing::TestWithParam<path_storage> {};

TEST_P(Kernel, SameBitsAsReference)
{
    const auto [path, by_rows] = GetParam();
    if (!kernel_supported(path))
        GTEST_SKIP() << kernel_name(path) << " is not supported by this CPU";

    systems::rng r(42);
    for (const shape& s : shapes()) {
        // Offsets inside larger matrices, as the sweep uses them.
        const std::size_t off = 1 + r.below(3);
        test_matrix h(s.rows + off, s.depth + off, by_rows);
        test_matrix t(s.depth + off, s.cols + off, by_rows);
        for (std::size_t i = 0; i < h.rows; ++i)
            for (std::size_t j = 0; j < h.cols; ++j)
                h.row(i)[j] = entry(r);
        for (std::size_t i = 0; i < t.rows; ++i)
            for (std::size_t j = 0; j < t.cols; ++j)
                t.row(i)[j] = entry(r);

        test_matrix want(s.rows + 2 * off, s.cols + 2 * off, by_rows);
        test_matrix got(s.rows + 2 * off, s.cols + 2 * off, by_rows);
        // C starts out as garbage: the product must not read it.
        for (std::size_t i = off; i < off + s.rows; ++i)
            for (std::size_t j = off; j < off + s.cols; ++j)
                got.row(i)[j] = std::numeric_limits<double>::quiet_NaN();

        const std::size_t order = std::max({s.rows, s.cols, s.depth});
        std::vector<double> pack(pack_doubles(path, order));
        product_reference(s.rows, s.cols, s.depth, want.at(off, off), h.at(off, off), t.at(off, off));
        product(path, s.rows, s.cols, s.depth, got.at(off, off), h.at(off, off), t.at(off, off),
                pack.data());

        for (std::size_t i = 0; i < want.rows; ++i)
            for (std::size_t j = 0; j < want.cols; ++j)
                ASSERT_TRUE(same_result(want.row(i)[j], got.row(i)[j]))
                    << kernel_name(path) << (by_rows ? " rows" : " flat") << ": block " << s.rows
                    << "x" << s.cols << ", depth " << s.depth << ", at (" << i << ", " << j
                    << "): want " << want.row(i)[j] << ", got " << got.row(i)[j];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Kernel,
    ::testing::Values(path_storage{kernel_path::portable, true}, path_storage{kernel_path::portable, false},
                      path_storage{kernel_path::avx2, true}, path_storage{kernel_path::avx2, false},
                      path_storage{kernel_path::avx512, true}, path_storage{kernel_path::avx512, false}),
    [](const auto& info) {
        return std::string(kernel_name(info.param.path)) + (info.param.rows ? "_rows" : "_flat");
    });

// -0.0 products into a sum that starts from +0.0 give +0.0; a sum seeded
// with its first product would give -0.0.
TEST(Kernel, NegativeZeroProductsSumToPositiveZero)
{
    for (kernel_path path : all_kernel_paths) {
        if (!kernel_supported(path))
            continue;
        const std::size_t n = 30;
        std::vector<double> hb(n * n, -0.0), tb(n * n, 1.0), cb(n * n, 7.0);
        std::vector<double> pack(pack_doubles(path, n));
        product(path, n, n, n, view{{nullptr, cb.data()}, n, 0, 0}, view{{nullptr, hb.data()}, n, 0, 0},
                view{{nullptr, tb.data()}, n, 0, 0}, pack.data());
        for (double x : cb)
            ASSERT_FALSE(std::signbit(x)) << kernel_name(path);
    }
}

// The whole sweep, A and b, with each path against the reference loops.
TEST_P(Kernel, SweepSameAsReference)
{
    const auto [path, by_rows] = GetParam();
    if (!kernel_supported(path))
        GTEST_SKIP() << kernel_name(path) << " is not supported by this CPU";
    for (std::size_t n : {1, 2, 5, 9, 24, 25, 70, 201, 300}) {
        systems::matrix ab = systems::random_dominant(n, n);
        test_matrix a[2] = {{n, n, by_rows}, {n, n, by_rows}};
        test_matrix h[2] = {{n, n, by_rows}, {n, n, by_rows}};
        test_matrix t[2] = {{n, n, by_rows}, {n, n, by_rows}};
        std::vector<double> b[2], v(n), w(n), pack(pack_doubles(path, n));
        const kernel_path paths[2] = {kernel_path::reference, path};
        for (int k = 0; k < 2; ++k) {
            for (std::size_t i = 0; i < n; ++i) {
                std::copy_n(ab[i].begin(), n, a[k].row(i));
                b[k].push_back(ab[i][n]);
            }
            const view av = a[k].at(0, 0), hv = h[k].at(0, 0), tv = t[k].at(0, 0);
            triangularise({n, av.ref, hv.ref, tv.ref, b[k].data(), v.data(), w.data(), pack.data(),
                           paths[k]});
        }
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_EQ(std::memcmp(a[0].row(i), a[1].row(i), n * sizeof(double)), 0)
                << "order " << n << ", row " << i;
            ASSERT_TRUE(same_result(b[0][i], b[1][i])) << "order " << n << ", b(" << i << ")";
        }
    }
}

}  // namespace
