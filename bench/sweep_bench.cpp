// Times the Householder sweep (the triangularisation of a dense random
// system) for every kernel path and both storages, checks that every
// variant gives the same bits as the reference loops, and relates the
// rates to the core's measured peak.
//
//   sweep_bench [--sizes 100,200,400,800] [--reps 5]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "householder/reflect.h"
#include "peak.h"

using namespace householder;

namespace {

// A system of order n in one storage, with everything the sweep needs.
struct bench_system {
    std::size_t n;
    bool rows;
    std::vector<std::unique_ptr<double[]>> owned;
    std::vector<double*> a_rows, h_rows, t_rows;
    std::vector<double> b, v, w, pack;
    system_storage s;

    bench_system(std::size_t order, bool row_storage, kernel_path path)
        : n(order), rows(row_storage), b(order), v(order), w(order),
          pack(pack_doubles(path, order))
    {
        matrix_ref refs[3];
        std::vector<double*>* tables[3] = {&a_rows, &h_rows, &t_rows};
        for (int m = 0; m < 3; ++m) {
            if (rows) {
                for (std::size_t i = 0; i < n; ++i) {
                    owned.emplace_back(new double[n]());
                    tables[m]->push_back(owned.back().get());
                }
                refs[m] = {tables[m]->data(), nullptr};
            } else {
                owned.emplace_back(new double[n * n]());
                refs[m] = {nullptr, owned.back().get()};
            }
        }
        s = {n, refs[0], refs[1], refs[2], b.data(), v.data(), w.data(), pack.data(), path};
    }

    void load(const std::vector<double>& a0, const std::vector<double>& b0)
    {
        for (std::size_t i = 0; i < n; ++i)
            std::memcpy(row_of(s.a, i, n), &a0[i * n], n * sizeof(double));
        b = b0;
    }

    // A and b after the sweep, row by row.
    std::vector<double> result() const
    {
        std::vector<double> out;
        for (std::size_t i = 0; i < n; ++i)
            out.insert(out.end(), row_of(s.a, i, n), row_of(s.a, i, n) + n);
        out.insert(out.end(), b.begin(), b.end());
        return out;
    }
};

double sweep_flops(std::size_t n)
{
    double f = 0;
    for (std::size_t m = 2; m <= n; ++m)
        f += 2.0 * static_cast<double>(m) * static_cast<double>(m) * static_cast<double>(m - 1);
    return f;
}

std::vector<std::size_t> parse_sizes(const char* list)
{
    std::vector<std::size_t> sizes;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        sizes.push_back(std::strtoul(item.c_str(), nullptr, 10));
    return sizes;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes = {100, 200, 400, 800};
    int reps = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sizes") == 0)
            sizes = parse_sizes(argv[i + 1]);
        else if (std::strcmp(argv[i], "--reps") == 0)
            reps = std::max(1, std::atoi(argv[i + 1]));
    }

    std::vector<kernel_path> paths;
    for (kernel_path p : all_kernel_paths)
        if (kernel_supported(p))
            paths.push_back(p);

    std::printf("Peak of independent vector multiply + add, one core:\n");
    double peak[4] = {};
    for (kernel_path p : paths) {
        peak[static_cast<int>(p)] = peak_gflops(p);
        std::printf("  %-9s %7.1f GFLOP/s\n", p == kernel_path::reference ? "scalar" : kernel_name(p),
                    peak[static_cast<int>(p)]);
    }
    const double best_peak = peak[static_cast<int>(paths.back())];

    std::printf("\nSweep of a dense random system; median of %d runs (reference: "
                "one run above N = 400).\n%% peak is of the path's own width; for the "
                "reference loops, of the widest path.\n\n", reps);
    std::printf("%5s  %-5s %-9s %10s %9s %7s %9s  %s\n", "N", "store", "path", "seconds",
                "GFLOP/s", "% peak", "speed-up", "bits");

    bool all_same = true;
    for (std::size_t n : sizes) {
        std::vector<double> a0(n * n), b0(n);
        std::uint64_t x = 88172645463325252ull + n;
        auto next = [&] {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            return static_cast<double>(x >> 11) * 0x1p-52 - 1.0;
        };
        for (double& e : a0) e = next();
        for (double& e : b0) e = next();

        std::vector<double> expected;
        double reference_seconds[2] = {};
        for (kernel_path p : paths) {
            for (int storage = 0; storage < 2; ++storage) {
                bench_system sys(n, storage == 0, p);
                const int runs = p == kernel_path::reference && n > 400 ? 1 : reps;
                std::vector<double> times;
                for (int r = 0; r < runs; ++r) {
                    sys.load(a0, b0);
                    const auto t0 = std::chrono::steady_clock::now();
                    triangularise(sys.s);
                    times.push_back(std::chrono::duration<double>(
                                        std::chrono::steady_clock::now() - t0).count());
                }
                std::sort(times.begin(), times.end());
                const double sec = times[times.size() / 2];
                const std::vector<double> got = sys.result();
                if (expected.empty())
                    expected = got;
                const bool same = std::memcmp(got.data(), expected.data(),
                                              got.size() * sizeof(double)) == 0;
                all_same = all_same && same;
                if (p == kernel_path::reference)
                    reference_seconds[storage] = sec;
                const double gflops = sweep_flops(n) / sec / 1e9;
                const double own_peak = p == kernel_path::reference ? best_peak : peak[static_cast<int>(p)];
                std::printf("%5zu  %-5s %-9s %10.4f %9.2f %6.1f%% %8.1fx  %s\n", n,
                            storage == 0 ? "rows" : "flat", kernel_name(p), sec, gflops,
                            100 * gflops / own_peak, reference_seconds[storage] / sec,
                            same ? "same" : "DIFFERENT");
                std::fflush(stdout);
            }
        }
    }
    std::printf("\n%s\n", all_same ? "Every variant gave the same bits as the reference loops."
                                   : "SOME VARIANTS DIFFER FROM THE REFERENCE LOOPS.");
    return all_same ? 0 : 1;
}
