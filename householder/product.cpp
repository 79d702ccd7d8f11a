#include "householder/product.h"

#include <algorithm>
#include <cstdint>

namespace householder {

void product_reference(std::size_t rows, std::size_t cols, std::size_t depth,
                       const view& c, const view& h, const view& t)
{
    for (std::size_t i = 0; i < rows; ++i) {
        double* ci = c.row(i);
        const double* hi = h.row(i);
        for (std::size_t j = 0; j < cols; ++j) {
            double s = 0.0;
            for (std::size_t l = 0; l < depth; ++l)
                s = t.row(l)[j] * hi[l] + s;
            ci[j] = s;
        }
    }
}

namespace {

// ---------------------------------------------------------------------------
// Register-blocked product.
//
// The micro-kernel keeps an MR x NR tile of C in registers (NR = NV vectors
// of W doubles) and, for l ascending, broadcasts H(i, l) of each of its MR
// rows and multiplies it into row l of a packed panel of T, then adds the
// product to the accumulator:
//
//   acc(r, j) = T(l, j) * H(r, l) + acc(r, j)
//
// exactly the operation of the reference loops, in the same order for every
// element.  The depth is cut into blocks of KC; between blocks the partial
// sums are stored in C as doubles and loaded again, which changes no bit.
// Only the first block starts from +0.0.
//
// Around the kernel: T is packed block by block (KC rows by NC columns) into
// NR-wide panels, so the kernel reads one contiguous stream whatever the
// storage; H is read where it is, MR rows at a time; C tiles that stick out
// past the last row or column go through a small local tile.
// ---------------------------------------------------------------------------

typedef double v2d __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));

constexpr std::size_t KC = 256;    // depth of one block
constexpr std::size_t NC_MIN = 256;  // columns of one packed block, at least

template <class V>
[[gnu::always_inline]] inline void load(V& x, const double* p)
{
    __builtin_memcpy(&x, p, sizeof x);
}

template <class V>
[[gnu::always_inline]] inline void store(double* p, const V& x)
{
    __builtin_memcpy(p, &x, sizeof x);
}

template <class V>
constexpr std::size_t lanes = sizeof(V) / sizeof(double);

template <class V, int NV>
constexpr std::size_t panel_width = NV * lanes<V>;

// Columns of one packed block: a whole number of panels, at least NC_MIN.
template <std::size_t NR>
constexpr std::size_t block_cols = (NC_MIN + NR - 1) / NR * NR;

// C(r, 0 .. NR-1) for r < MR, over kc steps of l.  h[r] points at H(r, l0),
// bp at the packed panel (kc rows of NR doubles), c[r] at C(r, 0).
template <class V, int MR, int NV>
[[gnu::always_inline]] inline void micro_kernel(std::size_t kc,
                                                const double* const* h,
                                                const double* bp,
                                                double* const* c, bool first)
{
    constexpr std::size_t W = lanes<V>;
    constexpr std::size_t NR = NV * W;
    V acc[MR][NV];
    for (int r = 0; r < MR; ++r)
        for (int v = 0; v < NV; ++v)
            if (first)
                acc[r][v] = V{};
            else
                load(acc[r][v], c[r] + v * W);
    for (std::size_t l = 0; l < kc; ++l, bp += NR) {
        V t[NV];
        for (int v = 0; v < NV; ++v)
            load(t[v], bp + v * W);
        for (int r = 0; r < MR; ++r) {
            const double hr = h[r][l];
            for (int v = 0; v < NV; ++v)
                acc[r][v] = t[v] * hr + acc[r][v];
        }
    }
    for (int r = 0; r < MR; ++r)
        for (int v = 0; v < NV; ++v)
            store(c[r] + v * W, acc[r][v]);
}

// Packs T(l0 .. l0+kc-1, j0 .. j0+nc-1) into panels of NR columns, each
// panel kc rows of NR doubles; columns past nc are zero.
template <std::size_t NR>
[[gnu::always_inline]] inline void pack_panels(const view& t, std::size_t l0,
                                               std::size_t kc, std::size_t j0,
                                               std::size_t nc, double* pack)
{
    for (std::size_t p = 0; p * NR < nc; ++p) {
        const std::size_t jp = j0 + p * NR;
        const std::size_t width = std::min(NR, nc - p * NR);
        double* dst = pack + p * kc * NR;
        for (std::size_t l = 0; l < kc; ++l, dst += NR) {
            const double* src = t.row(l0 + l) + jp;
            std::size_t j = 0;
            for (; j < width; ++j)
                dst[j] = src[j];
            for (; j < NR; ++j)
                dst[j] = 0.0;
        }
    }
}

double* align64(double* p)
{
    auto a = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<double*>((a + 63) & ~std::uintptr_t{63});
}

template <class V, int MR, int NV>
[[gnu::always_inline]] inline void product_blocked(
    std::size_t rows, std::size_t cols, std::size_t depth, const view& c,
    const view& h, const view& t, double* pack)
{
    constexpr std::size_t NR = panel_width<V, NV>;
    constexpr std::size_t NC = block_cols<NR>;
    pack = align64(pack);

    for (std::size_t jc = 0; jc < cols; jc += NC) {
        const std::size_t nc = std::min(NC, cols - jc);
        for (std::size_t pc = 0; pc < depth; pc += KC) {
            const std::size_t kc = std::min(KC, depth - pc);
            const bool first = pc == 0;
            pack_panels<NR>(t, pc, kc, jc, nc, pack);

            for (std::size_t ir = 0; ir < rows; ir += MR) {
                const std::size_t mr = std::min<std::size_t>(MR, rows - ir);
                const double* hp[MR];
                double* crow[MR];
                for (std::size_t r = 0; r < MR; ++r) {
                    // Rows past the end repeat the last one; their results
                    // are dropped.
                    const std::size_t i = ir + std::min(r, mr - 1);
                    hp[r] = h.row(i) + pc;
                    crow[r] = c.row(i) + jc;
                }
                for (std::size_t jr = 0; jr < nc; jr += NR) {
                    const double* bp = pack + jr * kc;
                    const std::size_t nr = std::min(NR, nc - jr);
                    if (mr == MR && nr == NR) {
                        double* cp[MR];
                        for (std::size_t r = 0; r < MR; ++r)
                            cp[r] = crow[r] + jr;
                        micro_kernel<V, MR, NV>(kc, hp, bp, cp, first);
                        continue;
                    }
                    alignas(64) double tile[MR * NR] = {};
                    double* cp[MR];
                    for (std::size_t r = 0; r < MR; ++r)
                        cp[r] = tile + r * NR;
                    if (!first)
                        for (std::size_t r = 0; r < mr; ++r)
                            std::copy_n(crow[r] + jr, nr, cp[r]);
                    micro_kernel<V, MR, NV>(kc, hp, bp, cp, first);
                    for (std::size_t r = 0; r < mr; ++r)
                        std::copy_n(cp[r], nr, crow[r] + jr);
                }
            }
        }
    }
}

// Register tiles: MR rows by NV vectors.  Each step of l needs MR*NV
// accumulators, NV loaded vectors and a few products in flight, within the
// 32 (AVX-512) or 16 (AVX2, SSE2) vector registers.
constexpr int MR_512 = 8, NV_512 = 3;
constexpr int MR_256 = 4, NV_256 = 2;
constexpr int MR_128 = 4, NV_128 = 2;

void product_portable(std::size_t rows, std::size_t cols, std::size_t depth,
                      const view& c, const view& h, const view& t,
                      double* pack)
{
    product_blocked<v2d, MR_128, NV_128>(rows, cols, depth, c, h, t, pack);
}

#if defined(__x86_64__) || defined(__i386__)
#define HSOLVE_X86 1

[[gnu::target("avx2")]] void product_avx2(std::size_t rows, std::size_t cols,
                                          std::size_t depth, const view& c,
                                          const view& h, const view& t,
                                          double* pack)
{
    product_blocked<v4d, MR_256, NV_256>(rows, cols, depth, c, h, t, pack);
}

[[gnu::target("avx512f")]] void product_avx512(
    std::size_t rows, std::size_t cols, std::size_t depth, const view& c,
    const view& h, const view& t, double* pack)
{
    product_blocked<v8d, MR_512, NV_512>(rows, cols, depth, c, h, t, pack);
}
#endif

template <class V, int NV>
std::size_t pack_size(std::size_t order)
{
    constexpr std::size_t NR = panel_width<V, NV>;
    const std::size_t kc = std::min(KC, order);
    const std::size_t nc = std::min(block_cols<NR>, (order + NR - 1) / NR * NR);
    return kc * nc + 64 / sizeof(double);  // and room to align
}

}  // namespace

const char* kernel_name(kernel_path path)
{
    switch (path) {
    case kernel_path::reference: return "reference";
    case kernel_path::portable: return "portable";
    case kernel_path::avx2: return "avx2";
    case kernel_path::avx512: return "avx512";
    }
    return "?";
}

bool kernel_supported(kernel_path path)
{
    switch (path) {
    case kernel_path::reference:
    case kernel_path::portable:
        return true;
#ifdef HSOLVE_X86
    case kernel_path::avx2:
        return __builtin_cpu_supports("avx2");
    case kernel_path::avx512:
        return __builtin_cpu_supports("avx512f");
#else
    case kernel_path::avx2:
    case kernel_path::avx512:
        return false;
#endif
    }
    return false;
}

kernel_path best_kernel_path()
{
    if (kernel_supported(kernel_path::avx512))
        return kernel_path::avx512;
    if (kernel_supported(kernel_path::avx2))
        return kernel_path::avx2;
    return kernel_path::portable;
}

std::size_t pack_doubles(kernel_path path, std::size_t order)
{
    switch (path) {
    case kernel_path::reference: return 0;
    case kernel_path::portable: return pack_size<v2d, NV_128>(order);
    case kernel_path::avx2: return pack_size<v4d, NV_256>(order);
    case kernel_path::avx512: return pack_size<v8d, NV_512>(order);
    }
    return 0;
}

void product(kernel_path path, std::size_t rows, std::size_t cols,
             std::size_t depth, const view& c, const view& h, const view& t,
             double* pack)
{
    if (depth == 0 || path == kernel_path::reference) {
        product_reference(rows, cols, depth, c, h, t);
        return;
    }
    switch (path) {
#ifdef HSOLVE_X86
    case kernel_path::avx512:
        product_avx512(rows, cols, depth, c, h, t, pack);
        return;
    case kernel_path::avx2:
        product_avx2(rows, cols, depth, c, h, t, pack);
        return;
#endif
    default:
        product_portable(rows, cols, depth, c, h, t, pack);
        return;
    }
}

}  // namespace householder
