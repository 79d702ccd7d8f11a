// The part of solve_system that both storages share: everything after the
// storage has been obtained.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "householder/reflect.h"

namespace householder {

// count doubles, uninitialised; null when the storage cannot be obtained.
std::unique_ptr<double[]> allocate_doubles(std::size_t count);

// Whether count * size fits in a size_t.
inline bool size_fits(std::size_t count, std::size_t size)
{
    return size == 0 || count <= static_cast<std::size_t>(-1) / size;
}

// b, v, w and the packing buffer for order n.
struct vectors {
    std::unique_ptr<double[]> b, v, w, pack;
};
bool allocate_vectors(vectors& vec, std::size_t n, kernel_path path);

// Reads the n equations into the rows of A and into b.
bool read_equations(std::FILE* in, const system_storage& s);

// Triangularises the system read into s and writes the degeneracy line or
// the solution.  Returns 1 when the solve completed and -1 when x could not
// be allocated; then nothing has been written.
int solve_and_write(std::FILE* out, const system_storage& s);

}  // namespace householder
