// Console driver: settles the two file names, opens the files, runs the
// solver, reports the outcome and, in listing mode, echoes both files.
//
//   hsolve_xxx                      input.txt -> output.txt
//   hsolve_xxx SYSTEM [SOLUTION]    SYSTEM -> SOLUTION (default output.txt)
//   hsolve_xxx -l                   asks for both names, echoes both files
//
// Exit status: 0 once the solver has run, whatever its outcome; -1 when a
// file cannot be opened.

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "driver/solve_system.h"
#include "sysfile/sysfile.h"

namespace {

bool listing_mode = false;

// Console text is on the console when this returns, so a prompt is visible
// before the read that waits for the answer.
void say(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// Reads one whitespace-delimited word from standard input the way "%s"
// does (leading whitespace skipped, the delimiter after the word left
// unread), but of any length.  At end of input `word` keeps its value.
void read_word(std::string& word)
{
    int ch;
    do
        ch = std::getchar();
    while (ch != EOF && std::isspace(ch));
    if (ch == EOF)
        return;
    word.clear();
    while (ch != EOF && !std::isspace(ch)) {
        word += static_cast<char>(ch);
        ch = std::getchar();
    }
    if (ch != EOF)
        std::ungetc(ch, stdin);
}

// Opening the solution file for writing would empty the system file if
// both names lead to one regular file (the same name, a symbolic or a hard
// link): that pair is refused before anything is opened for writing.
bool same_regular_file(const std::string& input, const std::string& output)
{
    std::error_code ec;
    return std::filesystem::equivalent(input, output, ec) &&
           std::filesystem::is_regular_file(input, ec);
}

// A file that could not be opened again echoes as an empty line.
void echo_file(const char* header, std::FILE* f)
{
    say(header);
    if (f)
        sysfile::echo_numbers(f, stdout);
    say("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string input_name = "input.txt";
    std::string output_name = "output.txt";

    if (argc > 1) {
        if (std::strcmp(argv[1], "-l") == 0) {
            listing_mode = true;
        } else {
            input_name = argv[1];
            if (argc > 2)
                output_name = argv[2];
        }
    }
    if (listing_mode) {
        say("Input name of Input File:");
        read_word(input_name);
        say("Input name of Output File:");
        read_word(output_name);
    }

    std::FILE* in = std::fopen(input_name.c_str(), "r");
    std::FILE* out = nullptr;
    if (!same_regular_file(input_name, output_name))
        out = std::fopen(output_name.c_str(), "w");
    if (!in || !out) {
        const std::string& name = in ? output_name : input_name;
        std::printf("Error: can't open file with name %s\n", name.c_str());
        std::fflush(stdout);
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
        if (listing_mode)
            std::getchar();
        return -1;
    }

    // A solution that did not reach the file (a full disk, say) is not a
    // success: the write, the flush and the close must all succeed.
    int solved = solve_system(in, out);
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    std::fclose(in);
    written = std::fclose(out) == 0 && written;
    say(solved >= 0 && written ? "Program was finished successfully!\n"
                               : "Program was finished unsuccessfully!\n");

    if (!listing_mode)
        return 0;
    std::FILE* system = std::fopen(input_name.c_str(), "r");
    std::FILE* solution = std::fopen(output_name.c_str(), "r");
    echo_file("Input File:\n", system);
    echo_file("Output File:\n", solution);
    if (system)
        std::fclose(system);
    if (solution)
        std::fclose(solution);
    std::getchar();
    return 0;
}
