// The system file and the solution file.
//
// System file: the order N ("%ld", at least 1), then for each equation its
// N coefficients and its right-hand side ("%lg" each), separated by any
// whitespace.  Solution file: x(0) ... x(N-1), one "%lg\n" line each, or the
// degeneracy line alone, or nothing at all after a failed read.
#pragma once

#include <cstddef>
#include <cstdio>

namespace sysfile {

inline constexpr const char* degenerate_line = "Sistema virojdena!!!\n";

// Reads N.  Fails on anything but exactly one "%ld" conversion, and on N < 1.
bool read_order(std::FILE* in, long& n);

// Reads one equation: n coefficients into row[0..n-1], then its right-hand
// side into rhs.  Fails at the first conversion that yields no value.
bool read_equation(std::FILE* in, double* row, std::size_t n, double& rhs);

// Writes x[0..n-1], each with "%lg\n".
void write_solution(std::FILE* out, const double* x, std::size_t n);

// Writes the degeneracy line.
void write_degenerate(std::FILE* out);

// Reads "%lg" numbers from `from` until a conversion yields no value, and
// writes each to `to` with "%lg " (the number and one blank).
void echo_numbers(std::FILE* from, std::FILE* to);

}  // namespace sysfile
