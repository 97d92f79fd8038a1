#include <gtest/gtest.h>
#include <tevra.h>

#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>

#include "core/shared.hpp"
#include "env_support.hpp"
#include "support/alloc_hook.hpp"
#include "support/capture_sink.hpp"
#include "support/private_state.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::EnvGuard;
using tevra_test::FdCapture;
using tevra_test::TempDir;

// JSON lines without timestamps, so that files can be compared whole.
void plain_json(EnvGuard &env) {
    env.set("LOG_MODE", "json");
    env.set("LOG_DISABLE_TIMESTAMP", "1");
    env.set("LOG_NO_COLOR", "1");
}

tevra_logger *from_env(const tevra_config *base = nullptr) {
    return tevra_new_from_env(nullptr, base);
}

std::string info_line(const char *msg) {
    return std::string("{\"lvl\":\"info\",\"msg\":\"") + msg + "\"}\n";
}

std::string open_failed_line(const std::string &error, const std::string &output) {
    return "{\"lvl\":\"error\",\"msg\":\"logger.output.open.failed\",\"error\":\"" + error +
           "\",\"output\":\"" + output + "\"}\n";
}

TEST(EnvOutput, FilesAreCreatedWithTheConfiguredBitsUnderTheUmask) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const struct {
        const char *mode;  // nullptr: unset
        int expected;
    } cases[] = {{nullptr, 0600}, {"0640", 0640}, {"0o666", 0644}, {"755", 0755}, {"0", 0}, {"bad", 0600}};
    int i = 0;
    for (const auto &c : cases) {
        const std::string path = dir.file("f" + std::to_string(i++) + ".log");
        c.mode ? env.set("LOG_OUTPUT_FILE_MODE", c.mode) : env.unset("LOG_OUTPUT_FILE_MODE");
        env.set("LOG_OUTPUT", path);
        tevra_logger *log = from_env();
        ASSERT_NE(log, nullptr);
        EXPECT_EQ(log->state->closes_output, 1);
        tevra_info(log, "hello", nullptr, 0);
        log->destroy(log);
        EXPECT_EQ(tevra_test::file_mode(path), c.expected) << (c.mode ? c.mode : "unset");
        const std::string text = tevra_test::read_file(path);
        if (std::strcmp(c.mode ? c.mode : "", "bad") == 0) {
            EXPECT_EQ(text.rfind("{\"lvl\":\"error\",\"msg\":\"logger.output.file_mode.invalid\"", 0), 0u);
            EXPECT_NE(text.find(info_line("hello")), std::string::npos);
        } else {
            EXPECT_EQ(text, info_line("hello"));
        }
    }
}

TEST(EnvOutput, ExistingFilesAreAppendedToAndNeverTruncated) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const std::string path = dir.file("app.log");
    {
        FILE *f = std::fopen(path.c_str(), "w");
        std::fputs("earlier line\n", f);
        std::fclose(f);
    }
    env.set("LOG_OUTPUT", "  " + path + "  ");
    for (const char *msg : {"first", "second"}) {
        tevra_logger *log = from_env();
        tevra_info(log, msg, nullptr, 0);
        log->destroy(log);
    }
    EXPECT_EQ(tevra_test::read_file(path), "earlier line\n" + info_line("first") + info_line("second"));
}

TEST(EnvOutput, StandardStreamKeywordsIgnoreCase) {
    EnvGuard env;
    plain_json(env);
    for (const char *word : {"STDERR", "stderr", " StdErr "}) {
        env.set("LOG_OUTPUT", word);
        FdCapture capture(2);
        tevra_logger *log = from_env();
        EXPECT_EQ(tevra_test::shared_of(log)->output.write, &tevra_file_write);
        EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, stderr);
        EXPECT_EQ(tevra_test::shared_of(log)->output.owns, 0);
        tevra_info(log, "to stderr", nullptr, 0);
        log->destroy(log);
        EXPECT_EQ(capture.finish(), info_line("to stderr")) << word;
    }
    env.set("LOG_OUTPUT", "Stdout");
    FdCapture capture(1);
    tevra_logger *log = from_env();
    tevra_info(log, "to stdout", nullptr, 0);
    EXPECT_EQ(tevra_close(log), 0);  // not owned: never closed
    tevra_info(log, "still open", nullptr, 0);
    log->destroy(log);
    EXPECT_EQ(capture.finish(), info_line("to stdout") + info_line("still open"));
}

TEST(EnvOutput, StreamPlusPathTeesAndClosingClosesOnlyTheFile) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const std::string path = dir.file("x.log");
    env.set("LOG_OUTPUT", "stdout+ " + path);
    FdCapture capture(1);
    const int descriptors = tevra_test::open_descriptors();
    tevra_logger *log = from_env();
    ASSERT_NE(log, nullptr);
    const tevra_output &out = tevra_test::shared_of(log)->output;
    ASSERT_EQ(out.write, &tevra_tee_write);
    EXPECT_EQ(out.owns, 1);
    const auto *tee = static_cast<const tevra_tee *>(out.user_data);
    EXPECT_EQ(tee->first.user_data, stdout);
    // A descriptor-backed file sink; its write follows the path, so it is
    // no longer the plain tevra_fd_write.
    EXPECT_EQ(tee->second.isatty, &tevra_fd_isatty);
    EXPECT_EQ(tevra_test::open_descriptors(), descriptors + 1);

    tevra_info(log, "both", nullptr, 0);
    EXPECT_EQ(tevra_close(log), 0);
    EXPECT_EQ(tevra_test::open_descriptors(), descriptors);
    log->destroy(log);
    EXPECT_NE(fcntl(1, F_GETFD), -1);  // standard output stays open
    EXPECT_EQ(capture.finish(), info_line("both"));
    EXPECT_EQ(tevra_test::read_file(path), info_line("both"));
}

TEST(EnvOutput, KeywordWithAnEmptyPathIsTheKeywordAlone) {
    EnvGuard env;
    plain_json(env);
    env.set("LOG_OUTPUT", "stderr+   ");
    tevra_logger *log = from_env();
    EXPECT_EQ(tevra_test::shared_of(log)->output.write, &tevra_file_write);
    EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, stderr);
    log->destroy(log);

    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    base.output = sink.output(true);
    env.set("LOG_OUTPUT", "DEFAULT+");
    log = from_env(&base);
    EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, &sink);
    EXPECT_EQ(sink.close_calls(), 0);
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 1);
}

TEST(EnvOutput, ValuesThatOnlyBeginWithAKeywordArePaths) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    char old_cwd[4096];
    ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    env.set("LOG_OUTPUT", "stdoutx");
    tevra_logger *log = from_env();
    tevra_info(log, "in a file", nullptr, 0);
    log->destroy(log);
    ASSERT_EQ(chdir(old_cwd), 0);
    EXPECT_EQ(tevra_test::read_file(dir.file("stdoutx")), info_line("in a file"));
}

TEST(EnvOutput, ReplacedBaseOutputIsDestroyedUnlessItLivesOnInTheTee) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    {
        CaptureSink sink;
        tevra_config base = tevra_test::capture_config(sink);
        base.output = sink.output(true);
        env.set("LOG_OUTPUT", "stderr");
        tevra_logger *log = from_env(&base);
        EXPECT_EQ(sink.close_calls(), 1);
        EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, stderr);
        log->destroy(log);
        EXPECT_EQ(sink.close_calls(), 1);
    }
    {
        CaptureSink sink;
        tevra_config base = tevra_test::capture_config(sink);
        base.output = sink.output(true);
        const std::string path = dir.file("x.log");
        env.set("LOG_OUTPUT", "default+" + path);
        tevra_logger *log = from_env(&base);
        EXPECT_EQ(sink.close_calls(), 0);
        tevra_info(log, "twice", nullptr, 0);
        log->destroy(log);
        EXPECT_EQ(sink.close_calls(), 1);
        EXPECT_EQ(sink.text(), info_line("twice"));
        EXPECT_EQ(tevra_test::read_file(path), info_line("twice"));
    }
    {
        // "default" alone keeps the base output as it is.
        CaptureSink sink;
        tevra_config base = tevra_test::capture_config(sink);
        base.output = sink.output(true);
        env.set("LOG_OUTPUT", "Default");
        tevra_logger *log = from_env(&base);
        EXPECT_EQ(sink.close_calls(), 0);
        EXPECT_EQ(log->state->closes_output, 1);
        log->destroy(log);
        EXPECT_EQ(sink.close_calls(), 1);
    }
}

TEST(EnvOutput, UnopenableFileFallsBackToThePreviousOutputAndSaysWhy) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    base.output = sink.output(true);
    const std::string path = dir.file("missing/dir/x.log");
    env.set("LOG_OUTPUT", "stderr+" + path);
    tevra_logger *log = from_env(&base);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(sink.close_calls(), 0);
    EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, &sink);
    EXPECT_EQ(sink.text(), open_failed_line(std::strerror(ENOENT), "stderr+" + path));
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 1);
}

TEST(EnvOutput, FileModeErrorComesBeforeTheOpenFailure) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    env.set("LOG_OUTPUT_FILE_MODE", "0o");
    env.set("LOG_OUTPUT", dir.path());  // a directory cannot be opened for writing
    tevra_logger *log = from_env(&base);
    const auto lines = sink.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("logger.output.file_mode.invalid"), std::string::npos);
    EXPECT_EQ(lines[1] + "\n", open_failed_line(std::strerror(EISDIR), dir.path()));
    log->destroy(log);
}

// A path that does not fit the name buffer must not open a file under a
// cut-off name, here one that could be created.
TEST(EnvOutput, OverlongPathsFailInsteadOfOpeningAShorterName) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const std::string outer = dir.file(std::string(200, 'd'));
    const std::string inner = outer + "/" + std::string(200, 'e');
    ASSERT_EQ(mkdir(outer.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(inner.c_str(), 0700), 0);
    const std::string path = inner + "/" + std::string(200, 'f');
    ASSERT_GT(path.size(), 511u);
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    env.set("LOG_OUTPUT", path);
    tevra_logger *log = from_env(&base);
    EXPECT_EQ(sink.text(), open_failed_line(std::strerror(ENAMETOOLONG), path.substr(0, 511)));
    log->destroy(log);
    // Nothing was created under the shorter name: the directory is empty.
    EXPECT_EQ(rmdir(inner.c_str()), 0);
    EXPECT_EQ(rmdir(outer.c_str()), 0);
}

TEST(EnvOutput, FailedSinkAllocationsCloseTheFileAndFallBack) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    // The descriptor cell is the first allocation, the tee the second.
    for (long n : {1, 2}) {
        CaptureSink sink;
        tevra_config base = tevra_test::capture_config(sink);
        base.output = sink.output(true);
        const std::string value = "stdout+" + dir.file("t" + std::to_string(n) + ".log");
        env.set("LOG_OUTPUT", value);
        const int descriptors = tevra_test::open_descriptors();
        const long live = tevra_test::LiveAllocations();
        tevra_test::FailAllocation(n);
        tevra_logger *log = from_env(&base);
        tevra_test::FailAllocation(0);
        ASSERT_NE(log, nullptr) << n;
        EXPECT_EQ(tevra_test::open_descriptors(), descriptors) << n;
        EXPECT_EQ(tevra_test::shared_of(log)->output.user_data, &sink) << n;
        EXPECT_EQ(sink.close_calls(), 0) << n;
        EXPECT_EQ(sink.text(), open_failed_line("failed to initialize output", value)) << n;
        log->destroy(log);
        EXPECT_EQ(tevra_test::LiveAllocations(), live) << n;
        EXPECT_EQ(sink.close_calls(), 1) << n;
    }
}

// The base hands standard output over as an owned stream, and "stdout"
// borrows the same stream: the base's must not be closed under the logger.
TEST(EnvOutput, OwnedStandardOutputStaysOpenWhileTheNewOutputWritesToIt) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const std::string path = dir.file("x.log");
    for (const std::string &value : {std::string("stdout"), "Stdout+" + path}) {
        env.set("LOG_OUTPUT", value);
        const auto run = tevra_test::run_in_child_with_stdout_to_file([] {
            tevra_config base;
            tevra_default_config(&base);
            tevra_output_from_fp(&base.output, stdout, 1);
            tevra_logger *log = from_env(&base);
            if (log == nullptr) return 2;
            tevra_info(log, "reaches stdout", nullptr, 0);
            log->destroy(log);
            return fcntl(1, F_GETFD) == -1 ? 1 : 0;
        });
        EXPECT_TRUE(run.exited_with(0)) << value << ": status " << run.status;
        EXPECT_EQ(run.stdout_text, info_line("reaches stdout")) << value;
    }
    EXPECT_EQ(tevra_test::read_file(path), info_line("reaches stdout"));
}

// A replaced owned tee is taken apart: the half the new output still writes
// through stays open, the other half and the tee itself are released.
TEST(EnvOutput, ReplacedOwnedTeeKeepsOnlyTheStreamTheNewOutputUses) {
    EnvGuard env;
    plain_json(env);
    env.set("LOG_OUTPUT", "stdout");
    const auto run = tevra_test::run_in_child_with_stdout_to_file([] {
        CaptureSink sink;
        const long live = tevra_test::LiveAllocations();
        auto *tee = static_cast<tevra_tee *>(tevra_malloc_internal(sizeof(tevra_tee)));
        tevra_output_from_fp(&tee->first, stdout, 1);
        tee->second = sink.output(true);
        tevra_config base = tevra_test::capture_config(sink);
        base.output = tevra_output{tevra_tee_write, tevra_tee_close, tevra_tee_isatty, tee, 1};
        tevra_logger *log = from_env(&base);
        if (log == nullptr) return 2;
        if (sink.close_calls() != 1) return 3;
        tevra_info(log, "only stdout", nullptr, 0);
        log->destroy(log);
        if (tevra_test::LiveAllocations() != live) return 4;
        if (!sink.text().empty()) return 5;
        return fcntl(1, F_GETFD) == -1 ? 1 : 0;
    });
    EXPECT_TRUE(run.exited_with(0)) << "status " << run.status;
    EXPECT_EQ(run.stdout_text, info_line("only stdout"));
}

TEST(EnvOutput, FailedCreationReleasesTheTeeTheCellAndTheDescriptor) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    for (const std::string &value : {"default+" + dir.file("tee.log"), dir.file("plain.log")}) {
        env.set("LOG_OUTPUT", value);
        CaptureSink sink;
        const tevra_config base = tevra_test::capture_config(sink);
        const long before = tevra_test::AllocationCount();
        tevra_logger *probe = from_env(&base);
        const long allocations = tevra_test::AllocationCount() - before;
        ASSERT_NE(probe, nullptr);
        probe->destroy(probe);
        int failed_creations = 0;
        for (long n = 1; n <= allocations; ++n) {
            const int descriptors = tevra_test::open_descriptors();
            const long live = tevra_test::LiveAllocations();
            tevra_test::FailAllocation(n);
            tevra_logger *log = from_env(&base);
            tevra_test::FailAllocation(0);
            if (log != nullptr) {
                log->destroy(log);
            } else {
                ++failed_creations;
            }
            EXPECT_EQ(tevra_test::open_descriptors(), descriptors) << value << ", allocation " << n;
            EXPECT_EQ(tevra_test::LiveAllocations(), live) << value << ", allocation " << n;
        }
        EXPECT_GE(failed_creations, 3) << value;
        EXPECT_EQ(sink.close_calls(), 0);  // the base's sink is not owned
    }
}

// Each line fits the raised buffer, so it reaches the file in one write,
// which O_APPEND makes atomic against the other process's writes.
TEST(EnvOutput, TwoProcessesAppendingLongLinesToOneFileNeverTearThem) {
    EnvGuard env;
    TempDir dir;
    plain_json(env);
    const std::string path = dir.file("shared.log");
    env.set("LOG_OUTPUT", path);
    env.set("LOG_BUFFER_SIZE", "8192");
    constexpr int kLines = 2000;
    const std::string pads[2] = {std::string(3000, 'a'), std::string(3000, 'b')};
    const auto line = [&](int child, int n) {
        return "{\"lvl\":\"info\",\"msg\":\"long\",\"n\":" + std::to_string(n) + ",\"pad\":\"" +
               pads[child] + "\"}";
    };
    pid_t pids[2];
    for (int child = 0; child < 2; ++child) {
        pids[child] = fork();
        if (pids[child] == 0) {
            tevra_logger *log = from_env();
            for (int n = 0; n < kLines; ++n) {
                const tevra_field fields[] = {tevra_i64("n", n), tevra_str("pad", pads[child].c_str())};
                tevra_info(log, "long", fields, 2);
            }
            log->destroy(log);
            _exit(0);
        }
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Every line is whole, and each process's lines arrive in order.
    std::istringstream text(tevra_test::read_file(path));
    int next[2] = {0, 0};
    int broken = 0;
    for (std::string l; std::getline(text, l);) {
        if (next[0] < kLines && l == line(0, next[0])) {
            ++next[0];
        } else if (next[1] < kLines && l == line(1, next[1])) {
            ++next[1];
        } else {
            ++broken;
        }
    }
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
}

}  // namespace
