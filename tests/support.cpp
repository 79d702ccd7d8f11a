#include "support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

namespace {

std::vector<std::string> wrapper_words()
{
    std::vector<std::string> words;
    if (const char* w = std::getenv("HSOLVE_TEST_WRAPPER")) {
        std::istringstream in(w);
        for (std::string word; in >> word;)
            words.push_back(word);
    }
    return words;
}

}  // namespace

bool wrapped()
{
    return !wrapper_words().empty();
}

run_result run(const std::string& program, const std::vector<std::string>& args,
               const std::string& input, const std::string& dir,
               double timeout_seconds, unsigned long long address_space)
{
    std::vector<std::string> words = wrapper_words();
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0)
        throw std::runtime_error("pipe failed");
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(to_child[0], 0);
        dup2(from_child[1], 1);
        close(to_child[0]);
        close(to_child[1]);
        close(from_child[0]);
        close(from_child[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        if (address_space) {
            const rlimit limit{address_space, address_space};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(125);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(to_child[0]);
    close(from_child[1]);
    signal(SIGPIPE, SIG_IGN);

    run_result result;
    std::size_t written = 0;
    int in_fd = to_child[1];
    if (input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    const auto deadline =
        start + std::chrono::duration<double>(timeout_seconds);
    bool timed_out = false;
    for (;;) {
        pollfd fds[2] = {{from_child[0], POLLIN, 0}, {in_fd, POLLOUT, 0}};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        int ready = poll(fds, in_fd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (in_fd >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(in_fd, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) {
                close(in_fd);
                in_fd = -1;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[65536];
            ssize_t n = read(from_child[0], buf, sizeof buf);
            if (n <= 0)
                break;
            result.console.append(buf, static_cast<std::size_t>(n));
        }
    }
    if (in_fd >= 0)
        close(in_fd);
    close(from_child[0]);
    if (timed_out)
        kill(pid, SIGKILL);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    result.seconds = std::chrono::duration<double>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    if (timed_out)
        result.status = -1;
    else if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else
        result.status = 128 + WTERMSIG(wstatus);
    return result;
}

temp_dir::temp_dir()
{
    std::string pattern = (fs::temp_directory_path() / "hsolve-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

temp_dir::~temp_dir()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

void write_file(const std::string& path, const std::string& bytes)
{
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::map<std::string, std::string> all_files(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (fs::is_regular_file(entry.path()))
            files[entry.path().lexically_relative(dir).string()] =
                read_file(entry.path().string());
    return files;
}

}  // namespace testing_support
