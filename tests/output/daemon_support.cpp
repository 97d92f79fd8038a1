#include "daemon_support.hpp"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tevra_test {

bool Daemon::start(const std::vector<std::string> &argv, const std::string &log_path) {
    if (access(argv[0].c_str(), X_OK) != 0) return false;
    std::vector<char *> args;
    for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int fd = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        execv(args[0], args.data());
        _exit(127);
    }
    pid_ = pid;
    return true;
}

void Daemon::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string make_temp_dir(const char *stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

void remove_tree(const std::string &dir) {
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

int free_port(int type) {
    const int fd = socket(AF_INET, type, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), len) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    close(fd);
    return ntohs(addr.sin_port);
}

bool wait_until(const std::function<bool()> &done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void write_pieces_and_close(const tevra_output &out) {
    size_t written = 0;
    EXPECT_EQ(out.write(out.user_data, "first ha", 8, &written), 0);
    EXPECT_EQ(written, 8u);
    EXPECT_EQ(out.write(out.user_data, "lf\nunfinished", 13, &written), 0);
    EXPECT_EQ(written, 13u);
    EXPECT_EQ(out.close(out.user_data), 0);
    EXPECT_EQ(out.close(nullptr), 0);
}

}  // namespace tevra_test
