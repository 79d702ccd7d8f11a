// Both solvers on small systems whose answers are known, through in-memory
// streams.

#include <gtest/gtest.h>

#include <string>

#include "memstream.h"
#include "storages.h"

namespace {

const std::string degenerate = "Sistema virojdena!!!\n";

struct solver_case {
    const char* name;
    std::string system;
    int rc;
    std::string solution;
};

const solver_case cases[] = {
    {"two_by_two", "2\n1 1 3\n1 -1 1\n", 1, "2\n1\n"},
    {"order_one", "1\n4\n8\n", 1, "2\n"},
    {"order_one_negative", "1 -2 1", 1, "-0.5\n"},
    {"order_one_zero", "1 0 5", 1, degenerate},
    {"order_one_tiny_is_not_zero", "1 1e-300 1e-300", 1, "1\n"},
    {"upper_triangular_negative_diagonal", "2\n-1 0 5\n0 2 4\n", 1, "-5\n2\n"},
    {"zero_first_column", "2\n0 1 2\n0 3 4\n", 1, degenerate},
    {"swap", "2\n0 1 2\n1 0 3\n", 1, "3\n2\n"},
    {"three_by_three", "3\n2 1 -1 8\n-3 -1 2 -11\n-2 1 2 -3\n", 1, "2\n3\n-1\n"},
    {"order_with_fraction", "2.5 1 3\n1 -1 1\n", 1, "2.66667\n1.66667\n"},
    {"one_line", "2 1 1 3 1 -1 1", 1, "2\n1\n"},
    {"one_number_per_line", "2\n1\n1\n3\n1\n-1\n1\n", 1, "2\n1\n"},
    {"crlf", "2\r\n1 1 3\r\n1 -1 1\r\n", 1, "2\n1\n"},
    {"trailing_text_ignored", "2\n1 1 3\n1 -1 1\nnot read 7 8\n", 1, "2\n1\n"},
    {"other_number_forms", "2\n 1e0 +1. 0x1.8p1\n1 -1 .1e1\n", 1, "2\n1\n"},
    {"small_printed_exponential", "1 1 1e-7", 1, "1e-07\n"},
    {"infinite_coefficient", "1 inf 1", 1, "0\n"},

    {"order_zero", "0\n", -1, ""},
    {"order_negative", "-2\n1 1 3\n1 -1 1\n", -1, ""},
    {"order_a_word", "two 1 1 3 1 -1 1", -1, ""},
    {"empty", "", -1, ""},
    {"short_first_row", "2\n1 1", -1, ""},
    {"short_last_rhs", "2\n1 1 3\n1 -1\n", -1, ""},
    {"word_in_row", "2\n1 1 3\n1 x 1\n", -1, ""},
};

void PrintTo(const solver_case& c, std::ostream* os) { *os << c.name; }

class Solver : public ::testing::TestWithParam<std::tuple<storage, solver_case>> {};

TEST_P(Solver, Solves)
{
    const auto& [s, c] = GetParam();
    solve_result r = solve_in_memory(s.solve, c.system);
    EXPECT_EQ(r.rc, c.rc);
    EXPECT_EQ(r.out, c.solution);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Solver, ::testing::Combine(::testing::ValuesIn(storages), ::testing::ValuesIn(cases)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

}  // namespace
