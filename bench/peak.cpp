#include "peak.h"

#include <chrono>

namespace {

typedef double v2d __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));

volatile double one = 1.0;

inline double first_lane(double x) { return x; }
template <class V>
inline double first_lane(const V& x) { return x[0]; }

// CHAINS products p = p * one and sums s = s + p, each chain independent
// of the others: as many multiplies as adds, as in the product kernel.
// Returns the flops done.
template <class V, int CHAINS>
[[gnu::always_inline]] inline double spin(long iterations, double& sink)
{
    const V c = V{} + one;  // every lane 1.0, unknown to the compiler
    V p[CHAINS], s[CHAINS];
    for (int i = 0; i < CHAINS; ++i) {
        p[i] = V{} + 1.0;
        s[i] = V{};
    }
    for (long it = 0; it < iterations; ++it) {
        for (int i = 0; i < CHAINS; ++i)
            p[i] = p[i] * c;
        for (int i = 0; i < CHAINS; ++i)
            s[i] = s[i] + p[i];
    }
    double total = 0;
    for (int i = 0; i < CHAINS; ++i)
        total += first_lane(s[i]);
    sink += total;
    return 2.0 * CHAINS * (sizeof(V) / sizeof(double)) * static_cast<double>(iterations);
}

double spin_scalar(long n, double& sink) { return spin<double, 7>(n, sink); }
double spin_sse2(long n, double& sink) { return spin<v2d, 7>(n, sink); }
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] double spin_avx2(long n, double& sink) { return spin<v4d, 7>(n, sink); }
[[gnu::target("avx512f")]] double spin_avx512(long n, double& sink) { return spin<v8d, 12>(n, sink); }
#endif

}  // namespace

double peak_gflops(householder::kernel_path path, double seconds)
{
    using householder::kernel_path;
    double (*spin_fn)(long, double&) = spin_scalar;
    switch (path) {
    case kernel_path::reference: spin_fn = spin_scalar; break;
    case kernel_path::portable: spin_fn = spin_sse2; break;
#if defined(__x86_64__) || defined(__i386__)
    case kernel_path::avx2: spin_fn = spin_avx2; break;
    case kernel_path::avx512: spin_fn = spin_avx512; break;
#else
    default: return 0;
#endif
    }
    double sink = 0, best = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        const auto t0 = std::chrono::steady_clock::now();
        const double flops = spin_fn(1 << 22, sink);
        const double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (flops / dt > best)
            best = flops / dt;
    } while (std::chrono::steady_clock::now() < until);
    return best / 1e9 + 0 * sink;
}
