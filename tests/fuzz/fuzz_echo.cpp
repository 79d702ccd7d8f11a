// The input is any file read back by the listing-mode echo.  The echo must
// end, stay inside the input, and be stable: echoing its own output gives
// the same text again (each number is written with "%lg ", which reads
// back as a number that prints the same).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sysfile/sysfile.h"

namespace {

std::string echo(const std::string& text)
{
    std::string copy = text;
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* out = open_memstream(&buf, &len);
    sysfile::echo_numbers(in, out);
    std::fclose(in);
    std::fclose(out);
    std::string result(buf, len);
    std::free(buf);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string once = echo(std::string(reinterpret_cast<const char*>(data), size));
    if (!once.empty() && once.back() != ' ')
        std::abort();
    if (echo(once) != once) {
        std::fprintf(stderr, "echo is not stable: [%s] -> [%s]\n", once.c_str(), echo(once).c_str());
        std::abort();
    }
    return 0;
}
