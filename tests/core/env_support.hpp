// Isolation for tests of configuration from the environment: variables set
// for one test and put back afterwards, a private temporary directory, a
// known umask, and capture of what reaches a standard stream's descriptor.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace tevra_test {

inline constexpr const char *kEnvKeys[] = {"LEVEL",   "MODE",        "TIME_FORMAT", "DISABLE_TIMESTAMP",
                                           "VERBOSE_FIELDS", "UTC", "NO_COLOR",    "FORCE_COLOR",
                                           "PALETTE", "BUFFER_SIZE", "OUTPUT_FILE_MODE", "OUTPUT"};

// Clears every LOG_ variable, NO_COLOR and TERM on construction; whatever
// a test sets or clears is restored when it ends.
class EnvGuard {
  public:
    EnvGuard() {
        for (const char *key : kEnvKeys) unset(std::string("LOG_") + key);
        // The unprefixed colour conventions would decline automatic colour.
        unset("NO_COLOR");
        unset("TERM");
    }
    ~EnvGuard() {
        for (const auto &[name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    EnvGuard(const EnvGuard &) = delete;
    EnvGuard &operator=(const EnvGuard &) = delete;

    void set(const std::string &name, const std::string &value) {
        save(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string &name) {
        save(name);
        unsetenv(name.c_str());
    }

  private:
    void save(const std::string &name) {
        if (saved_.count(name)) return;
        const char *old = getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// A fresh directory under /tmp, removed with its files; the umask is 022
// while it exists, so created files have predictable modes.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/tevra-env-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
        old_umask_ = umask(022);
    }
    ~TempDir() {
        umask(old_umask_);
        if (DIR *d = opendir(path_.c_str())) {
            while (dirent *e = readdir(d)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") unlink((path_ + "/" + name).c_str());
            }
            closedir(d);
        }
        rmdir(path_.c_str());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

  private:
    std::string path_;
    mode_t old_umask_;
};

inline std::string read_file(const std::string &path) {
    std::string out;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

inline int file_mode(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

inline int open_descriptors() {
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (readdir(d) != nullptr) ++n;
        closedir(d);
    }
    return n;
}

// Runs `body` in a forked child whose descriptor 1 is a fresh temporary
// file, so that the child may close or break its standard output without
// harm to the test. The child exits with what `body` returns.
struct ChildRun {
    int status;          // from waitpid
    std::string stdout_text;
    bool exited_with(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
};

template <typename Body>
ChildRun run_in_child_with_stdout_to_file(Body body) {
    char pattern[] = "/tmp/tevra-child-XXXXXX";
    const int out = mkstemp(pattern);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        close(out);
        _exit(body());
    }
    close(out);
    ChildRun run{-1, {}};
    waitpid(pid, &run.status, 0);
    run.stdout_text = read_file(pattern);
    unlink(pattern);
    return run;
}

// Switches the whole process to another locale until destroyed.
class LocaleGuard {
  public:
    LocaleGuard() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_ALL, saved_.c_str()); }
    LocaleGuard(const LocaleGuard &) = delete;
    LocaleGuard &operator=(const LocaleGuard &) = delete;

    bool set(const char *name) { return std::setlocale(LC_ALL, name) != nullptr; }

  private:
    std::string saved_;
};

// Sends a descriptor (1 or 2) to a temporary file until destroyed.
class FdCapture {
  public:
    explicit FdCapture(int fd) : fd_(fd) {
        std::fflush(nullptr);
        char pattern[] = "/tmp/tevra-fd-XXXXXX";
        int tmp = mkstemp(pattern);
        path_ = pattern;
        saved_ = dup(fd_);
        dup2(tmp, fd_);
        close(tmp);
    }
    ~FdCapture() {
        restore();
        unlink(path_.c_str());
    }
    FdCapture(const FdCapture &) = delete;
    FdCapture &operator=(const FdCapture &) = delete;

    // Puts the descriptor back and returns what it received.
    std::string finish() {
        restore();
        return read_file(path_);
    }

  private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    int fd_;
    int saved_ = -1;
    std::string path_;
};

}  // namespace tevra_test
