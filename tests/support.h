// Running the programs as a user would, in a folder of their own.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct run_result {
    int status = -1;       // exit status, or 128 + signal, or -1 (timed out)
    std::string console;   // everything written to standard output
    double seconds = 0;    // wall time of the run
};

// Runs `program` with `args` in `dir`, feeding `input` to its standard
// input.  HSOLVE_TEST_WRAPPER, when set, is a command (split at blanks)
// placed in front of the program, such as a memory checker.  A non-zero
// address_space limits the program's address space to that many bytes.
run_result run(const std::string& program, const std::vector<std::string>& args,
               const std::string& input, const std::string& dir,
               double timeout_seconds = 60, unsigned long long address_space = 0);

// Whether HSOLVE_TEST_WRAPPER is set.
bool wrapped();

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
struct temp_dir {
    std::string path;
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// Writes `bytes` to `path`, creating the folders on the way.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

// Every file below `dir` (recursively, links followed for their contents),
// by its path relative to `dir`.
std::map<std::string, std::string> all_files(const std::string& dir);

}  // namespace testing_support
