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
// of W doubles) and, for l ascending, broadcasts H(r, l) of each of its MR
// rows, multiplies it into row l of T and adds the product to the
// accumulator:
//
//   acc(r, j) = T(l, j) * H(r, l) + acc(r, j)
//
// exactly the operation of the reference loops, in the same order for every
// element.  The depth is cut into blocks of at most KC; between blocks the
// partial sums are stored in C as doubles and loaded again, which changes
// no bit.  Only the first block starts from +0.0.
//
// Around the kernel, both operands are packed block by block into one small
// buffer, whatever the storage: T (KC rows by NC columns) into NR-wide
// panels, H (MC rows by KC columns) into MR-tall panels with l outermost.
// The kernel then reads two contiguous streams, and only the C tile is
// reached through the rows of A: few pages are in play at a time, which
// matters more than any cache on large orders.  Tiles that stick out past
// the last row or column go through a small local tile; the padding of the
// packed panels is zero and its results are dropped.
// ---------------------------------------------------------------------------

typedef double v2d __attribute__((vector_size(16)));
typedef double v4d __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));

// Blocks: T is packed KC deep by NC columns (about half the L2 cache), H
// MC rows by KC deep; both fit in L2 with room for the C tiles.
constexpr std::size_t KC = 256;      // depth of one block, at most
constexpr std::size_t NC_MIN = 256;  // columns of one packed block of T, at least
constexpr std::size_t MC_MIN = 96;   // rows of one packed block of H, at least

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

// A whole number of `unit`s, at least `least`.
constexpr std::size_t round_up(std::size_t least, std::size_t unit)
{
    return (least + unit - 1) / unit * unit;
}

// C(r, 0 .. NR-1) for r < MR, over kc steps of l.  ap is the packed panel
// of H (kc steps of MR doubles), bp the packed panel of T (kc rows of NR
// doubles), c[r] points at C(r, 0).
template <class V, int MR, int NV>
[[gnu::always_inline]] inline void micro_kernel(std::size_t kc, const double* ap,
                                                const double* bp,
                                                double* const* c, bool first)
{
    constexpr std::size_t W = lanes<V>;
    constexpr std::size_t NR = NV * W;
    V acc[MR][NV];
    for (int r = 0; r < MR; ++r)
        for (int v = 0; v < NV; ++v) {
            if (first)
                acc[r][v] = V{};
            else
                load(acc[r][v], c[r] + v * W);
        }
    for (std::size_t l = 0; l < kc; ++l, ap += MR, bp += NR) {
        V t[NV];
        for (int v = 0; v < NV; ++v)
            load(t[v], bp + v * W);
        for (int r = 0; r < MR; ++r) {
            const double hr = ap[r];
            for (int v = 0; v < NV; ++v)
                acc[r][v] = t[v] * hr + acc[r][v];
        }
    }
    for (int r = 0; r < MR; ++r)
        for (int v = 0; v < NV; ++v)
            store(c[r] + v * W, acc[r][v]);
}

// T(l0 .. l0+kc-1, j0 .. j0+nc-1) into panels of NR columns, each kc rows
// of NR doubles; columns past nc are zero.
template <std::size_t NR>
[[gnu::always_inline]] inline void pack_t(const view& t, std::size_t l0,
                                          std::size_t kc, std::size_t j0,
                                          std::size_t nc, double* pack)
{
    for (std::size_t jp = 0; jp < nc; jp += NR) {
        const std::size_t width = std::min(NR, nc - jp);
        double* dst = pack + jp * kc;
        for (std::size_t l = 0; l < kc; ++l, dst += NR) {
            const double* src = t.row(l0 + l) + j0 + jp;
            std::size_t j = 0;
            for (; j < width; ++j)
                dst[j] = src[j];
            for (; j < NR; ++j)
                dst[j] = 0.0;
        }
    }
}

// H(i0 .. i0+mc-1, l0 .. l0+kc-1) into panels of MR rows, each kc steps of
// MR doubles (H(i, l) of the panel's rows side by side); rows past mc are
// zero.
template <std::size_t MR>
[[gnu::always_inline]] inline void pack_h(const view& h, std::size_t i0,
                                          std::size_t mc, std::size_t l0,
                                          std::size_t kc, double* pack)
{
    static const double zeros[KC] = {};
    for (std::size_t ip = 0; ip < mc; ip += MR) {
        const std::size_t height = std::min(MR, mc - ip);
        const double* src[MR];
        for (std::size_t r = 0; r < MR; ++r)
            src[r] = r < height ? h.row(i0 + ip + r) + l0 : zeros;
        double* dst = pack + ip * kc;
        for (std::size_t l = 0; l < kc; ++l, dst += MR)
            for (std::size_t r = 0; r < MR; ++r)
                dst[r] = src[r][l];
    }
}

double* align64(double* p)
{
    auto a = reinterpret_cast<std::uintptr_t>(p);
    return reinterpret_cast<double*>((a + 63) & ~std::uintptr_t{63});
}

// The blocking of one path: sizes of the packed blocks for a product whose
// rows, columns and depth are all at most `order`.
template <class V, int MR, int NV>
struct blocking {
    static constexpr std::size_t NR = NV * lanes<V>;
    static constexpr std::size_t NC = round_up(NC_MIN, NR);
    static constexpr std::size_t MC = round_up(MC_MIN, MR);

    static std::size_t t_doubles(std::size_t order)
    {
        return std::min(KC, order) * std::min(NC, round_up(order, NR));
    }
    static std::size_t h_doubles(std::size_t order)
    {
        return std::min(KC, order) * std::min(MC, round_up(order, MR));
    }
    static std::size_t pack_doubles(std::size_t order)
    {
        // Both blocks, each starting on a 64-byte boundary.
        return t_doubles(order) + h_doubles(order) + 2 * 64 / sizeof(double);
    }
};

// Depth blocks of equal length, none longer than KC: no short last block
// that would cost a whole pass over C.
inline std::size_t depth_block(std::size_t depth)
{
    const std::size_t blocks = (depth + KC - 1) / KC;
    return (depth + blocks - 1) / blocks;
}

template <class V, int MR, int NV>
[[gnu::always_inline]] inline void product_blocked(
    std::size_t rows, std::size_t cols, std::size_t depth, const view& c,
    const view& h, const view& t, double* pack)
{
    using B = blocking<V, MR, NV>;
    constexpr std::size_t NR = B::NR;
    const std::size_t order = std::max({rows, cols, depth});
    double* tp = align64(pack);
    double* hp = align64(tp + B::t_doubles(order));
    const std::size_t kc_max = depth_block(depth);

    for (std::size_t jc = 0; jc < cols; jc += B::NC) {
        const std::size_t nc = std::min(B::NC, cols - jc);
        for (std::size_t pc = 0; pc < depth; pc += kc_max) {
            const std::size_t kc = std::min(kc_max, depth - pc);
            const bool first = pc == 0;
            pack_t<NR>(t, pc, kc, jc, nc, tp);

            for (std::size_t ic = 0; ic < rows; ic += B::MC) {
                const std::size_t mc = std::min(B::MC, rows - ic);
                pack_h<MR>(h, ic, mc, pc, kc, hp);

                for (std::size_t ir = 0; ir < mc; ir += MR) {
                    const std::size_t mr = std::min<std::size_t>(MR, mc - ir);
                    const double* ap = hp + ir * kc;
                    double* crow[MR] = {};
                    for (std::size_t r = 0; r < mr; ++r)
                        crow[r] = c.row(ic + ir + r) + jc;

                    for (std::size_t jr = 0; jr < nc; jr += NR) {
                        const double* bp = tp + jr * kc;
                        const std::size_t nr = std::min(NR, nc - jr);
                        if (mr == MR && nr == NR) {
                            double* cp[MR];
                            for (std::size_t r = 0; r < MR; ++r)
                                cp[r] = crow[r] + jr;
                            micro_kernel<V, MR, NV>(kc, ap, bp, cp, first);
                            continue;
                        }
                        alignas(64) double tile[MR * NR] = {};
                        double* cp[MR];
                        for (std::size_t r = 0; r < MR; ++r)
                            cp[r] = tile + r * NR;
                        if (!first)
                            for (std::size_t r = 0; r < mr; ++r)
                                std::copy_n(crow[r] + jr, nr, cp[r]);
                        micro_kernel<V, MR, NV>(kc, ap, bp, cp, first);
                        for (std::size_t r = 0; r < mr; ++r)
                            std::copy_n(cp[r], nr, crow[r] + jr);
                    }
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
    case kernel_path::portable: return blocking<v2d, MR_128, NV_128>::pack_doubles(order);
    case kernel_path::avx2: return blocking<v4d, MR_256, NV_256>::pack_doubles(order);
    case kernel_path::avx512: return blocking<v8d, MR_512, NV_512>::pack_doubles(order);
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
