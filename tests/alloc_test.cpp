// Every allocation of a solve fails in turn: the solve must end as a failed
// one (-1), write nothing, and give back everything it had obtained.
//
// This executable replaces the allocation functions: while `counting`, the
// fail_at-th allocation fails, and live allocations are counted.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "memstream.h"
#include "storages.h"

namespace {

bool counting = false;
long calls = 0;
long fail_at = 0;
long live = 0;

void* allocate(std::size_t size)
{
    if (counting && ++calls == fail_at)
        return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p && counting)
        ++live;
    return p;
}

void release(void* p)
{
    if (p && counting)
        --live;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

// Runs one solve with allocation k failing; counts only inside the solve.
solve_result solve_failing(int (*solve)(std::FILE*, std::FILE*), std::string system, long k)
{
    std::FILE* in = fmemopen(system.data(), system.size(), "r");
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* out = open_memstream(&buf, &len);
    calls = 0;
    live = 0;
    fail_at = k;
    counting = true;
    const int rc = solve(in, out);
    counting = false;
    std::fclose(in);
    std::fclose(out);
    solve_result r{rc, std::string(buf, len)};
    std::free(buf);
    return r;
}

class AllocationFailure : public ::testing::TestWithParam<storage> {};

TEST_P(AllocationFailure, EachAllocationInTurn)
{
    const std::string system = "4\n2 1 0 0 3\n1 3 1 0 5\n0 1 4 1 6\n0 0 1 5 6\n";
    const std::string solution = "1\n1\n1\n1\n";
    long failures = 0;
    for (long k = 1;; ++k) {
        const solve_result r = solve_failing(GetParam().solve, system, k);
        EXPECT_EQ(live, 0) << "allocation " << k << " failed: something was not given back";
        if (calls < k) {  // nothing failed: the solve went through
            EXPECT_EQ(r.rc, 1);
            EXPECT_EQ(r.out, solution);
            break;
        }
        ++failures;
        EXPECT_EQ(r.rc, -1) << "allocation " << k << " failed";
        EXPECT_EQ(r.out, "") << "allocation " << k << " failed";
    }
    // Row storage: three row tables, twelve rows, b, v, w, the packing
    // buffer and x; contiguous storage: three blocks and the rest.
    EXPECT_GE(failures, std::string(GetParam().name) == "rows" ? 20 : 8);
}

INSTANTIATE_TEST_SUITE_P(Storages, AllocationFailure, ::testing::ValuesIn(storages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
