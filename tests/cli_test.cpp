// The programs as a user runs them: a fresh folder, arguments, standard
// input; then the console text, the exit status and every file left behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "programs.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

const std::string system2 = "2\n1 1 3\n1 -1 1\n";  // x + y = 3, x - y = 1
const std::string solution2 = "2\n1\n";
const std::string singular = "2\n0 1 2\n0 3 4\n";
const std::string degenerate = "Sistema virojdena!!!\n";
const std::string ok = "Program was finished successfully!\n";
const std::string failed = "Program was finished unsuccessfully!\n";
const std::string ask = "Input name of Input File:Input name of Output File:";

std::string cannot_open(const std::string& name)
{
    return "Error: can't open file with name " + name + "\n";
}

std::string echo(const std::string& system, const std::string& solution)
{
    return "Input File:\n" + system + "\nOutput File:\n" + solution + "\n";
}

// Names longer than any fixed buffer, through two folders of 200
// characters.  A name cut at 255 characters would lead to `cut_*`, where a
// decoy system waits: a program that cut names would solve the wrong one.
const std::string dir_a = std::string(200, 'a');
const std::string long_in = dir_a + "/" + std::string(200, 'i') + ".txt";
const std::string long_out = dir_a + "/" + std::string(200, 'o') + ".txt";
const std::string cut_in = long_in.substr(0, 255);
const std::string cut_out = long_out.substr(0, 255);
const std::string decoy = "1 4 8\n";

enum class kind { file, symlink, hardlink };

struct entry {
    std::string name;
    std::string bytes;  // for a link: the name it points to
    kind what = kind::file;
};

struct cli_case {
    const char* name;
    std::vector<std::string> args;
    std::string input;                        // standard input
    std::vector<entry> before;                // the folder before the run
    std::string console;
    int status;
    std::map<std::string, std::string> after;  // every file after the run
    bool needs_dev_full = false;
};

const cli_case cases[] = {
    {"defaults", {}, "", {{"input.txt", system2}}, ok, 0,
     {{"input.txt", system2}, {"output.txt", solution2}}},
    {"one_argument", {"sys.txt"}, "", {{"sys.txt", system2}}, ok, 0,
     {{"sys.txt", system2}, {"output.txt", solution2}}},
    {"two_arguments", {"sys.txt", "sol.txt"}, "", {{"sys.txt", system2}}, ok, 0,
     {{"sys.txt", system2}, {"sol.txt", solution2}}},
    {"further_arguments_ignored", {"sys.txt", "sol.txt", "more.txt"}, "",
     {{"sys.txt", system2}}, ok, 0,
     {{"sys.txt", system2}, {"sol.txt", solution2}}},
    {"old_solution_replaced", {}, "",
     {{"input.txt", system2}, {"output.txt", "old\nlonger old text\n"}}, ok, 0,
     {{"input.txt", system2}, {"output.txt", solution2}}},
    {"degenerate", {}, "", {{"input.txt", singular}}, ok, 0,
     {{"input.txt", singular}, {"output.txt", degenerate}}},

    // Listing mode.
    {"listing", {"-l"}, "sys.txt\nsol.txt\n", {{"sys.txt", system2}},
     ask + ok + echo("2 1 1 3 1 -1 1 ", "2 1 "), 0,
     {{"sys.txt", system2}, {"sol.txt", solution2}}},
    {"listing_ignores_further_arguments", {"-l", "other.txt", "x.txt"},
     "sys.txt\nsol.txt\n", {{"sys.txt", system2}, {"other.txt", singular}},
     ask + ok + echo("2 1 1 3 1 -1 1 ", "2 1 "), 0,
     {{"sys.txt", system2}, {"other.txt", singular}, {"sol.txt", solution2}}},
    {"listing_names_on_one_line", {"-l"}, "  sys.txt \t sol.txt",
     {{"sys.txt", system2}}, ask + ok + echo("2 1 1 3 1 -1 1 ", "2 1 "), 0,
     {{"sys.txt", system2}, {"sol.txt", solution2}}},
    {"listing_degenerate", {"-l"}, "sys.txt\nsol.txt\n", {{"sys.txt", singular}},
     ask + ok + echo("2 0 1 2 0 3 4 ", ""), 0,
     {{"sys.txt", singular}, {"sol.txt", degenerate}}},
    {"listing_failed_read", {"-l"}, "sys.txt\nsol.txt\n",
     {{"sys.txt", "2\n1 1 3\n1 x 1\n"}}, ask + failed + echo("2 1 1 3 1 ", ""),
     0, {{"sys.txt", "2\n1 1 3\n1 x 1\n"}, {"sol.txt", ""}}},
    {"listing_nothing_typed", {"-l"}, "", {{"input.txt", system2}},
     ask + ok + echo("2 1 1 3 1 -1 1 ", "2 1 "), 0,
     {{"input.txt", system2}, {"output.txt", solution2}}},
    {"listing_missing_system", {"-l"}, "none.txt\nsol.txt\n", {},
     ask + cannot_open("none.txt"), 255, {{"sol.txt", ""}}},

    // Only "-l" itself is the option.
    {"dash_lx_is_a_name", {"-lx"}, "", {{"-lx", system2}}, ok, 0,
     {{"-lx", system2}, {"output.txt", solution2}}},
    {"dash_upper_l_is_a_name", {"-L"}, "", {{"-L", system2}}, ok, 0,
     {{"-L", system2}, {"output.txt", solution2}}},

    // Files that cannot be opened.
    {"missing_system", {}, "", {}, cannot_open("input.txt"), 255,
     {{"output.txt", ""}}},
    {"missing_system_empties_old_solution", {}, "", {{"output.txt", "old\n"}},
     cannot_open("input.txt"), 255, {{"output.txt", ""}}},
    {"unopenable_solution", {"input.txt", "nodir/sol.txt"}, "",
     {{"input.txt", system2}}, cannot_open("nodir/sol.txt"), 255,
     {{"input.txt", system2}}},

    // Failed reads leave an empty solution file.
    {"order_zero", {}, "", {{"input.txt", "0\n"}}, failed, 0,
     {{"input.txt", "0\n"}, {"output.txt", ""}}},
    {"order_negative", {}, "", {{"input.txt", "-2\n1 1 3\n1 -1 1\n"}}, failed, 0,
     {{"input.txt", "-2\n1 1 3\n1 -1 1\n"}, {"output.txt", ""}}},
    {"order_a_word", {}, "", {{"input.txt", "two\n1 1 3\n1 -1 1\n"}}, failed, 0,
     {{"input.txt", "two\n1 1 3\n1 -1 1\n"}, {"output.txt", ""}}},
    {"short_file", {}, "", {{"input.txt", "2\n1 1 3\n1 -1\n"}, {"output.txt", "old\n"}},
     failed, 0, {{"input.txt", "2\n1 1 3\n1 -1\n"}, {"output.txt", ""}}},
    {"empty_file", {}, "", {{"input.txt", ""}}, failed, 0,
     {{"input.txt", ""}, {"output.txt", ""}}},

    // Names of any length, never cut.
    {"long_names", {long_in, long_out}, "",
     {{long_in, system2}, {cut_in, decoy}, {cut_out, decoy}}, ok, 0,
     {{long_in, system2}, {cut_in, decoy}, {cut_out, decoy}, {long_out, solution2}}},
    {"long_names_typed", {"-l"}, long_in + "\n" + long_out + "\n",
     {{long_in, system2}, {cut_in, decoy}, {cut_out, decoy}},
     ask + ok + echo("2 1 1 3 1 -1 1 ", "2 1 "), 0,
     {{long_in, system2}, {cut_in, decoy}, {cut_out, decoy}, {long_out, solution2}}},
    {"long_missing_name_reported_whole", {long_in}, "", {},
     cannot_open(long_in), 255, {{"output.txt", ""}}},

    // One file as both system and solution is refused, the system kept.
    {"same_name", {"input.txt", "input.txt"}, "", {{"input.txt", system2}},
     cannot_open("input.txt"), 255, {{"input.txt", system2}}},
    {"same_file_other_path", {"input.txt", "./input.txt"}, "",
     {{"input.txt", system2}}, cannot_open("./input.txt"), 255,
     {{"input.txt", system2}}},
    {"same_file_symbolic_link", {"input.txt", "link.txt"}, "",
     {{"input.txt", system2}, {"link.txt", "input.txt", kind::symlink}},
     cannot_open("link.txt"), 255, {{"input.txt", system2}, {"link.txt", system2}}},
    {"same_file_hard_link", {"input.txt", "hard.txt"}, "",
     {{"input.txt", system2}, {"hard.txt", "input.txt", kind::hardlink}},
     cannot_open("hard.txt"), 255, {{"input.txt", system2}, {"hard.txt", system2}}},
    {"same_file_typed", {"-l"}, "input.txt\n./input.txt\n", {{"input.txt", system2}},
     ask + cannot_open("./input.txt"), 255, {{"input.txt", system2}}},
    {"same_device_is_not_refused", {"/dev/null", "/dev/null"}, "", {}, failed, 0, {}},

    // A solution that cannot be written is not a success.
    {"full_disk", {"input.txt", "/dev/full"}, "", {{"input.txt", system2}}, failed,
     0, {{"input.txt", system2}}, true},
    {"full_disk_degenerate", {"input.txt", "/dev/full"}, "",
     {{"input.txt", singular}}, failed, 0, {{"input.txt", singular}}, true},

    // Absurd orders fail without touching memory they do not have.
    {"order_huge_short_file", {}, "", {{"input.txt", "50000\n1 2 3\n"}}, failed, 0,
     {{"input.txt", "50000\n1 2 3\n"}, {"output.txt", ""}}},
    {"order_square_overflows", {}, "", {{"input.txt", "3037000500\n1 2 3\n"}},
     failed, 0, {{"input.txt", "3037000500\n1 2 3\n"}, {"output.txt", ""}}},
    {"order_largest_long", {}, "", {{"input.txt", "9223372036854775807 1\n"}},
     failed, 0, {{"input.txt", "9223372036854775807 1\n"}, {"output.txt", ""}}},
};

void prepare(const temp_dir& dir, const std::vector<entry>& before)
{
    for (const entry& e : before) {
        const std::string path = dir / e.name;
        switch (e.what) {
        case kind::file:
            write_file(path, e.bytes);
            break;
        case kind::symlink:
            fs::create_symlink(e.bytes, path);
            break;
        case kind::hardlink:
            fs::create_hard_link(dir / e.bytes, path);
            break;
        }
    }
}

void PrintTo(const cli_case& c, std::ostream* os) { *os << c.name; }

class Cli : public ::testing::TestWithParam<std::tuple<program, cli_case>> {};

TEST_P(Cli, Run)
{
    const auto& [prog, c] = GetParam();
    if (c.needs_dev_full && access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full here";
    temp_dir dir;
    prepare(dir, c.before);

    run_result r = run(prog.path, c.args, c.input, dir.path);

    EXPECT_EQ(r.console, c.console);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(all_files(dir.path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cli, ::testing::Combine(::testing::ValuesIn(programs), ::testing::ValuesIn(cases)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" +
               std::get<1>(info.param).name;
    });

// A file that declares a huge order but holds three numbers is refused at
// once: storage is obtained but not filled before the numbers arrive.
class CliLimits : public ::testing::TestWithParam<program> {};

TEST_P(CliLimits, HugeOrderFailsQuickly)
{
#ifdef HSOLVE_SANITIZED
    GTEST_SKIP() << "timing is meaningless under the sanitizers";
#endif
    if (wrapped())
        GTEST_SKIP() << "timing is meaningless under a wrapper";
    temp_dir dir;
    write_file(dir / "input.txt", "50000\n1 2 3\n");
    run_result r = run(GetParam().path, {}, "", dir.path);
    EXPECT_EQ(r.console, failed);
    EXPECT_LT(r.seconds, 1.0);
}

// Storage that the address space cannot hold ends the run as unsuccessful,
// with an empty solution file, never a crash.  (Sanitizers and memory
// checkers need far more address space than the limit: skipped there.)
TEST_P(CliLimits, StorageBeyondAddressSpace)
{
#ifdef HSOLVE_SANITIZED
    GTEST_SKIP() << "the sanitizers need more address space than the limit";
#endif
    if (wrapped())
        GTEST_SKIP() << "a wrapper needs more address space than the limit";
    constexpr unsigned long long limit = 64ull << 20;
    temp_dir dir;
    // Order 2000: each of A, H and T takes 32 MB.
    std::string big = "2000\n";
    const std::string row = [] {
        std::string r;
        for (int j = 0; j <= 2000; ++j)
            r += "1 ";
        return r + "\n";
    }();
    for (int i = 0; i < 2000; ++i)
        big += row;
    write_file(dir / "big.txt", big);
    write_file(dir / "small.txt", system2);

    run_result small = run(GetParam().path, {"small.txt", "small_out.txt"}, "", dir.path, 60, limit);
    EXPECT_EQ(small.console, ok) << "the limit alone must not stop the program";
    run_result r = run(GetParam().path, {"big.txt", "big_out.txt"}, "", dir.path, 60, limit);
    EXPECT_EQ(r.console, failed);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "big_out.txt"), "");
}

INSTANTIATE_TEST_SUITE_P(Programs, CliLimits, ::testing::ValuesIn(programs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

void PrintTo(const program& p, std::ostream* os) { *os << p.name; }
