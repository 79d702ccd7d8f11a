#include "householder/reflect.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace householder {

namespace {

// out(r) = sum over l ascending of w(l) * H(i0 + r, l), from +0.0, for
// r < R: R independent sums side by side, each in its own order.
template <int R>
void rows_times_vector(const view& h, std::size_t i0, std::size_t m,
                       const double* w, double* out)
{
    const double* hr[R];
    for (int r = 0; r < R; ++r)
        hr[r] = h.row(i0 + r);
    double sum[R] = {};
    for (std::size_t l = 0; l < m; ++l)
        for (int r = 0; r < R; ++r)
            sum[r] = w[l] * hr[r][l] + sum[r];
    for (int r = 0; r < R; ++r)
        out[r] = sum[r];
}

// Below this a sum of squares may have lost bits to underflow (its terms
// are then subnormal or zero); above DBL_MAX it has overflowed.
constexpr double smallest_safe_sum = 0x1p-970;

bool in_range(double sum)
{
    return sum >= smallest_safe_sum && sum <= std::numeric_limits<double>::max();
}

bool all_finite(const double* x, std::size_t m)
{
    for (std::size_t i = 0; i < m; ++i)
        if (!std::isfinite(x[i]))
            return false;
    return true;
}

// The largest exponent (as ilogb gives it) among the non-zero x[i].
int largest_exponent(const double* x, std::size_t m)
{
    int e = std::numeric_limits<int>::min();
    for (std::size_t i = 0; i < m; ++i)
        if (x[i] != 0.0)
            e = std::max(e, std::ilogb(x[i]));
    return e;
}

// start + x(0)^2 + x(1)^2 + ..., one term at a time.
double add_squares(double start, const double* x, std::size_t m)
{
    double sum = start;
    for (std::size_t i = 0; i < m; ++i)
        sum = sum + x[i] * x[i];
    return sum;
}

// v = (head, x(1), ..., x(m-1)) / sqrt(lambda2); x may be v itself.
void unit_vector(double head, const double* x, std::size_t m, double lambda2, double* v)
{
    const double s = 1.0 / std::sqrt(lambda2);
    v[0] = head * s;
    for (std::size_t j = 1; j < m; ++j)
        v[j] = s * x[j];
}

// The reflection of a column whose plain sums left the double range: the
// plain formulas on exactly scaled copies.  With E = 2^e from the largest
// entry,
//
//   nu = E * sqrt(sum (col(i)/E)^2),   head = nu + col(0),
//
// and with G = 2^g from the largest of head and col(1..),
//
//   u = (head, col(1), ...) / G,   v = u / sqrt(sum u(i)^2).
//
// Scaling by a power of two is exact, so every rounding is the one that the
// plain formulas would make with unlimited range; only terms far too small
// to reach the last bit of a sum can be lost.  col is finite, and col(1..)
// is not all zero.  v serves as scratch for the scaled copies.
double reflection_vector_scaled(const double* col, std::size_t m, double* v)
{
    const int e = largest_exponent(col, m);
    for (std::size_t i = 0; i < m; ++i)
        v[i] = std::scalbn(col[i], -e);
    const double nu_e = std::sqrt(add_squares(0.0, v, m));
    const double head_e = nu_e + v[0];  // head / E

    int g = largest_exponent(col + 1, m - 1);
    if (head_e != 0.0)
        g = std::max(g, std::ilogb(head_e) + e);
    v[0] = std::scalbn(head_e, e - g);
    for (std::size_t i = 1; i < m; ++i)
        v[i] = std::scalbn(col[i], -g);

    unit_vector(v[0], v, m, add_squares(v[0] * v[0], v + 1, m - 1), v);
    return std::scalbn(nu_e, e);
}

}  // namespace

double reflection_vector(const double* col, std::size_t m, double* v)
{
    const double sigma = add_squares(0.0, col, m);
    const double nu = std::sqrt(sigma);
    const double head = nu + col[0];
    const double lambda2 = add_squares(head * head, col + 1, m - 1);

    // Squares out of range: solve the column from scaled copies instead.
    // Columns holding inf or NaN keep the plain arithmetic.
    if (!(in_range(sigma) && in_range(lambda2)) && all_finite(col, m))
        return reflection_vector_scaled(col, m, v);

    unit_vector(head, col, m, lambda2, v);
    return nu;
}

void reflection_matrix(const double* v, std::size_t m, const view& h)
{
    for (std::size_t c = 0; c < m; ++c) {
        double* hc = h.row(c);
        for (std::size_t r = 0; r < m; ++r) {
            const double t = v[c] * v[r];
            hc[r] = t * -2.0;
        }
        const double t = v[c] * v[c];
        hc[c] = 1.0 - (t + t);
    }
}

void reduce_column(const system_storage& s, std::size_t k)
{
    const std::size_t n = s.n;
    const std::size_t m = n - k;
    const view a{s.a, n, k, k};  // the trailing block of A
    const view h{s.h, m, 0, 0};
    const view t{s.t, m, 0, 0};

    // Nothing below the diagonal (NaN counts as something): no reflection.
    bool below = false;
    for (std::size_t i = 1; i < m && !below; ++i)
        below = !(a.row(i)[0] == 0.0);
    if (!below)
        return;

    double* col = s.w;  // scratch until the right-hand side needs it
    for (std::size_t i = 0; i < m; ++i)
        col[i] = a.row(i)[0];
    const double nu = reflection_vector(col, m, s.v);
    reflection_matrix(s.v, m, h);

    for (std::size_t i = 0; i < m; ++i)
        std::copy_n(a.row(i), m, t.row(i));

    // Column k is set, not computed: -nu on the diagonal, zeros below.
    a.row(0)[0] = -nu;
    for (std::size_t i = 1; i < m; ++i)
        a.row(i)[0] = 0.0;

    // A(k.., k+1..) = H T(.., 1..)
    product(s.path, m, m - 1, m, view{s.a, n, k, k + 1}, h,
            view{s.t, m, 0, 1}, s.pack);

    // b(k..) = H w
    std::copy_n(s.b + k, m, s.w);
    std::size_t i = 0;
    for (; i + 4 <= m; i += 4)
        rows_times_vector<4>(h, i, m, s.w, s.b + k + i);
    for (; i < m; ++i)
        rows_times_vector<1>(h, i, m, s.w, s.b + k + i);
}

void triangularise(const system_storage& s)
{
    for (std::size_t k = 0; k < s.n; ++k)
        reduce_column(s, k);
}

bool degenerate(const system_storage& s)
{
    for (std::size_t i = 0; i < s.n; ++i)
        if (row_of(s.a, i, s.n)[i] == 0.0)
            return true;
    return false;
}

void back_substitute(const system_storage& s, double* x)
{
    for (std::size_t i = s.n; i-- > 0;) {
        const double* ai = row_of(s.a, i, s.n);
        double xi = s.b[i];
        for (std::size_t c = i + 1; c < s.n; ++c)
            xi = xi - x[c] * ai[c];
        x[i] = xi / ai[i];
    }
}

}  // namespace householder
