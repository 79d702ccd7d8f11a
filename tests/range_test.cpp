// Systems across the whole double range: coefficients whose squares
// overflow or underflow are solved as if the range were unlimited, while
// columns with inf or NaN keep the plain arithmetic.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>
#include <string>

#include "memstream.h"
#include "householder/reflect.h"
#include "storages.h"
#include "systems.h"

namespace {

struct range_case {
    const char* name;
    std::string system;
    std::string solution;
};

const range_case cases[] = {
    // x + y = 3, x - y = 1, scaled whole and coefficients only.
    {"squares_overflow", "2\n1e200 1e200 3e200\n1e200 -1e200 1e200\n", "2\n1\n"},
    {"squares_underflow", "2\n1e-200 1e-200 3e-200\n1e-200 -1e-200 1e-200\n", "2\n1\n"},
    {"large_coefficients", "2\n1e200 1e200 3\n1e200 -1e200 1\n", "2e-200\n1e-200\n"},
    {"small_coefficients", "2\n1e-200 1e-200 3\n1e-200 -1e-200 1\n", "2e+200\n1e+200\n"},
    {"near_the_largest_double", "2\n1e308 1e308 1\n1e308 -1e308 1\n", "1e-308\n0\n"},
    // nu + a(k,k) cancels to 0, and the rest of the column squares to 0.
    {"cancellation_then_underflow", "2\n-1 1e-200 1\n1e-200 1 2\n", "-1\n2\n"},

    // Columns with inf or NaN keep the plain arithmetic.
    {"inf_in_column", "2 inf 1 3 1 -1 1", "-nan\n-nan\n"},
    {"inf_beside_huge", "2 1e300 1 3 inf -1 1", "-nan\n-nan\n"},
    // A finite column is scaled even when a later one holds inf.
    {"finite_column_beside_inf_column", "2 1e200 inf 3 1e200 -1e200 1", "-nan\n0\n"},
    {"nan_in_column", "2 nan 1 3 1 -1 1", "nan\nnan\n"},
    {"nan_below_diagonal", "2 1 1 3 nan -1 1", "nan\nnan\n"},
    {"minus_inf_beside_tiny", "2 -inf 1e-300 1 1e-300 1 2", "-nan\n-nan\n"},
};

void PrintTo(const range_case& c, std::ostream* os) { *os << c.name; }

class Range : public ::testing::TestWithParam<std::tuple<storage, range_case>> {};

TEST_P(Range, Solves)
{
    const auto& [s, c] = GetParam();
    solve_result r = solve_in_memory(s.solve, c.system);
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, c.solution);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Range, ::testing::Combine(::testing::ValuesIn(storages), ::testing::ValuesIn(cases)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

// s*A x = s*b has the solution x; with s a power of two and no entry or
// intermediate subnormal, every rounding matches and the solution file is
// the same, byte for byte.  The entries are small integers, far from the
// subnormal range after scaling.
systems::matrix integer_system(std::size_t n, std::uint64_t seed)
{
    systems::rng r(seed);
    systems::matrix ab(n, std::vector<double>(n + 1));
    for (std::size_t i = 0; i < n; ++i) {
        for (double& x : ab[i]) {
            const double magnitude = static_cast<double>(1 + r.below(9));
            x = r.chance(0.5) ? -magnitude : magnitude;
        }
        ab[i][i] += 10.0 * static_cast<double>(n);  // well conditioned
    }
    return ab;
}

TEST(Range, ScaleInvariance)
{
    for (const storage& s : storages)
        for (std::size_t n : {2, 3, 5, 8, 13, 21, 30}) {
            const systems::matrix ab = integer_system(n, 100 + n);
            const solve_result plain = solve_in_memory(s.solve, systems::system_text(ab));
            ASSERT_EQ(plain.rc, 1);
            for (int e : {-900, -600, 600, 900}) {
                systems::matrix scaled = ab;
                for (auto& row : scaled)
                    for (double& x : row)
                        x = std::ldexp(x, e);
                const solve_result r = solve_in_memory(s.solve, systems::system_text(scaled));
                EXPECT_EQ(r.out, plain.out) << s.name << ", order " << n << ", scale 2^" << e;
            }
        }
}

// Column by column: for random real columns (cancelling ones among them)
// that the plain arithmetic handles, the column times 2^p, far out of the
// range of its squares, gives the same reflection vector bit for bit and
// nu times 2^p, as long as no scaled entry is subnormal.
TEST(Range, ReflectionVectorScaleInvariance)
{
    systems::rng r(2026);
    int compared = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const std::size_t m = 2 + r.below(20);
        std::vector<double> col(m), v(m), vs(m), scaled(m);
        for (double& x : col) {
            const double mag = std::ldexp(0.5 + 1.5 * r.unit(), static_cast<int>(r.below(41)) - 20);
            x = r.chance(0.5) ? -mag : mag;
        }
        if (trial % 4 == 0) {  // nu + a(k,k) nearly cancels
            col[0] = -1.0;
            for (std::size_t i = 1; i < m; ++i)
                col[i] = std::ldexp(col[i], -30);
        }
        const double nu = householder::reflection_vector(col.data(), m, v.data());
        for (int p : {-1000, -540, -512, -490, 490, 512, 1000}) {
            bool normal = true;
            for (std::size_t i = 0; i < m; ++i) {
                scaled[i] = std::ldexp(col[i], p);
                normal = normal && std::isnormal(scaled[i]);
            }
            if (!normal)
                continue;
            const double nu_s = householder::reflection_vector(scaled.data(), m, vs.data());
            ASSERT_EQ(nu_s, std::ldexp(nu, p)) << "trial " << trial << ", 2^" << p;
            for (std::size_t i = 0; i < m; ++i)
                ASSERT_EQ(std::memcmp(&v[i], &vs[i], sizeof(double)), 0)
                    << "trial " << trial << ", 2^" << p << ", v(" << i << ")";
            ++compared;
        }
    }
    EXPECT_GT(compared, 10000);
}

}  // namespace
