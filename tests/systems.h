// System files for tests and benchmarks, generated from a fixed seed so that
// any failure reproduces.  Only the raw output of mt19937_64 is used (its
// sequence is fixed by the standard); the mapping to numbers is ours.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace systems {

struct rng {
    std::mt19937_64 g;
    explicit rng(std::uint64_t seed) : g(seed) {}
    std::uint64_t below(std::uint64_t k) { return g() % k; }
    double unit() { return static_cast<double>(g() >> 11) * 0x1p-53; }  // [0, 1)
    bool chance(double p) { return unit() < p; }
};

inline std::string format(const char* fmt, double x)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, x);
    return buf;
}

// Exactly the double x, as "%.17g" writes it.
inline std::string exact(double x) { return format("%.17g", x); }

// The augmented matrix [A | b] as n rows of n + 1 numbers.
using matrix = std::vector<std::vector<double>>;

// The system file text: n, then one equation per line.
inline std::string system_text(const matrix& ab)
{
    std::string s = std::to_string(ab.size()) + "\n";
    for (const auto& row : ab) {
        for (std::size_t j = 0; j < row.size(); ++j) {
            if (j)
                s += ' ';
            s += exact(row[j]);
        }
        s += "\n";
    }
    return s;
}

// Hilbert matrix a(i, j) = 1 / (i + j + 1), b the row sums, so that x is
// all ones in exact arithmetic.
inline matrix hilbert(std::size_t n)
{
    matrix ab(n, std::vector<double>(n + 1));
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            ab[i][j] = 1.0 / static_cast<double>(i + j + 1);
            sum = sum + ab[i][j];
        }
        ab[i][n] = sum;
    }
    return ab;
}

// Uniform entries in [-1, 1) plus n on the diagonal: well conditioned.
inline matrix random_dominant(std::size_t n, std::uint64_t seed)
{
    rng r(seed);
    matrix ab(n, std::vector<double>(n + 1));
    for (std::size_t i = 0; i < n; ++i) {
        for (double& x : ab[i])
            x = 2 * r.unit() - 1;
        ab[i][i] += static_cast<double>(n);
    }
    return ab;
}

}  // namespace systems
