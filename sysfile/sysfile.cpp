#include "sysfile/sysfile.h"

namespace sysfile {

bool read_order(std::FILE* in, long& n)
{
    return std::fscanf(in, "%ld", &n) == 1 && n >= 1;
}

bool read_equation(std::FILE* in, double* row, std::size_t n, double& rhs)
{
    for (std::size_t j = 0; j < n; ++j)
        if (std::fscanf(in, "%lg", &row[j]) != 1)
            return false;
    return std::fscanf(in, "%lg", &rhs) == 1;
}

void write_solution(std::FILE* out, const double* x, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        std::fprintf(out, "%lg\n", x[i]);
}

void write_degenerate(std::FILE* out)
{
    std::fputs(degenerate_line, out);
}

void echo_numbers(std::FILE* from, std::FILE* to)
{
    double value;
    while (std::fscanf(from, "%lg", &value) == 1)
        std::fprintf(to, "%lg ", value);
}

}  // namespace sysfile
