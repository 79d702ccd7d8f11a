// Both programs on a few hundred generated system files of every kind a
// user may bring: each must leave the same console text, exit status and
// solution file, byte for byte.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "programs.h"
#include "support.h"
#include "systems.h"

using namespace testing_support;

namespace {

constexpr int case_count = 300;
constexpr std::uint64_t base_seed = 20261211;

// One number of the given flavour.
std::string number(systems::rng& r, int flavour)
{
    switch (flavour) {
    case 0:  // small integers
        return std::to_string(static_cast<int>(r.below(19)) - 9);
    case 1:  // long decimals, 17 significant digits
        return systems::exact((2 * r.unit() - 1) * 100);
    case 2: {  // wide exponents
        const double m = 1 + 9 * r.unit();
        const int e = static_cast<int>(r.below(601)) - 300;
        return systems::format("%.6g", (r.chance(0.5) ? -m : m)) + "e" + std::to_string(e);
    }
    default: {  // specials among ordinary values
        switch (r.below(8)) {
        case 0: return "-0";
        case 1: return "0";
        case 2: return r.chance(0.5) ? "inf" : "-inf";
        case 3: return r.chance(0.5) ? "nan" : "-nan";
        default: return systems::exact(2 * r.unit() - 1);
        }
    }
    }
}

// A generated system file; shape and layout drawn from the case's seed.
std::string generate(int index)
{
    systems::rng r(base_seed + static_cast<std::uint64_t>(index));
    const std::size_t n = 1 + r.below(60);
    const int flavour = static_cast<int>(r.below(4));
    const int shape = static_cast<int>(r.below(7));
    const std::size_t zero_col = r.below(n);

    std::vector<std::vector<std::string>> rows(n, std::vector<std::string>(n + 1));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= n; ++j) {
            std::string& x = rows[i][j];
            const bool zero = (shape == 1 && j < i) ||             // upper triangular
                              (shape == 2 && j > i && j < n) ||    // lower triangular
                              (shape == 3 && j == zero_col) ||     // a zero column
                              (shape == 4 && r.chance(0.7));       // mostly zeros
            x = zero ? (r.chance(0.2) ? "-0" : "0") : number(r, flavour);
            if (flavour != 3 && r.chance(0.002))
                x = number(r, 3);  // the odd special value anywhere
        }
    if (shape == 5 && n > 1)  // duplicate rows: singular
        rows[r.below(n)] = rows[r.below(n)];

    std::vector<std::string> tokens{std::to_string(n)};
    for (auto& row : rows)
        tokens.insert(tokens.end(), row.begin(), row.end());
    if (r.chance(0.1))  // ends early
        tokens.resize(r.below(tokens.size()));
    if (r.chance(0.1))
        tokens.push_back(r.chance(0.5) ? "trailing words" : "7 8 9");

    const int layout = static_cast<int>(r.below(4));
    const char* eol = layout == 3 ? "\r\n" : "\n";
    std::string text;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        text += tokens[t];
        const bool line_end = layout == 1 ||                                  // one per line
                              (layout != 2 && (t == 0 || t % (n + 1) == 0));  // one equation a line
        text += line_end ? eol : " ";
    }
    return text;
}

struct outcome {
    std::string console;
    int status;
    std::string solution;
};

outcome solve_with(const program& p, const std::string& system)
{
    temp_dir dir;
    write_file(dir / "sys.txt", system);
    run_result r = run(p.path, {"sys.txt", "sol.txt"}, "", dir.path);
    return {r.console, r.status, read_file(dir / "sol.txt")};
}

class Differential : public ::testing::TestWithParam<int> {};

TEST_P(Differential, SameBytes)
{
    const std::string system = generate(GetParam());
    const outcome a = solve_with(programs[0], system);
    const outcome b = solve_with(programs[1], system);
    EXPECT_EQ(a.status, 0) << system;
    EXPECT_EQ(a.console, b.console) << system;
    EXPECT_EQ(a.status, b.status) << system;
    EXPECT_EQ(a.solution, b.solution) << system;
}

INSTANTIATE_TEST_SUITE_P(Generated, Differential, ::testing::Range(0, case_count));

// The generated files reach all three outcomes, often enough to matter.
TEST(DifferentialCoverage, AllOutcomesOccur)
{
    int solved = 0, degenerate = 0, failed = 0;
    for (int i = 0; i < case_count; ++i) {
        const outcome o = solve_with(programs[1], generate(i));
        if (o.solution.empty())
            ++failed;
        else if (o.solution == "Sistema virojdena!!!\n")
            ++degenerate;
        else
            ++solved;
    }
    EXPECT_GT(solved, case_count / 2);
    EXPECT_GE(degenerate, 10);
    EXPECT_GE(failed, 10);
}

// Ill-conditioned enough that any change in the rounding of a single step,
// a fused multiply-add say, shows in the printed digits.
TEST(Hilbert, OrderTwelve)
{
    const std::string system = systems::system_text(systems::hilbert(12));
    const std::string expected =
        "1\n1\n0.999889\n1.00151\n0.989003\n1.04819\n0.866017\n"
        "1.24213\n0.716495\n1.20742\n0.913837\n1.01551\n";
    for (const program& p : programs) {
        const outcome o = solve_with(p, system);
        EXPECT_EQ(o.console, "Program was finished successfully!\n") << p.name;
        EXPECT_EQ(o.solution, expected) << p.name;
    }
}

}  // namespace
