// The journal sink against systemd-journald, started here in a namespace
// of its own (private sockets under /run/systemd/journal.NAME): every line
// is an entry with its PRIORITY, MESSAGE and fields, huge lines included.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <tevra.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "daemon_support.hpp"

namespace {

using namespace tevra_test;

std::string machine_id() {
    std::string id;
    std::ifstream("/etc/machine-id") >> id;
    return id;
}

class Journald : public ::testing::Test {
  protected:
    void SetUp() override {
        ns_ = "tevratest" + std::to_string(getpid());
        run_dir_ = "/run/systemd/journal." + ns_;
        log_ = make_temp_dir("tevra-journald");
        ASSERT_TRUE(daemon_.start({"/lib/systemd/systemd-journald", ns_}, log_ + "/daemon.out"))
            << "systemd-journald (Debian package systemd) cannot be started";
        ASSERT_TRUE(wait_until([&] { return access((run_dir_ + "/socket").c_str(), W_OK) == 0; }))
            << "systemd-journald did not come up: " << read_file(log_ + "/daemon.out");
        setenv("TEVRA_JOURNAL_SOCKET", (run_dir_ + "/socket").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TEVRA_JOURNAL_SOCKET");
        daemon_.stop();
        remove_tree(run_dir_);
        remove_tree("/var/log/journal/" + machine_id() + "." + ns_);
        remove_tree("/run/log/journal/" + machine_id() + "." + ns_);
        remove_tree(log_);
    }

    std::vector<nlohmann::json> entries(const std::string &ident) const {
        const std::string cmd = "journalctl --namespace=" + ns_ + " -o json -a --no-pager SYSLOG_IDENTIFIER=" +
                                ident + " 2>/dev/null";
        std::vector<nlohmann::json> found;
        FILE *p = popen(cmd.c_str(), "r");
        if (p == nullptr) return found;
        std::string text;
        char chunk[65536];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, p)) > 0) text.append(chunk, n);
        pclose(p);
        for (const auto &line : split_lines(text)) {
            auto j = nlohmann::json::parse(line, nullptr, false);
            if (!j.is_discarded()) found.push_back(j);
        }
        return found;
    }

    std::vector<nlohmann::json> wait_entries(const std::string &ident, size_t count) const {
        std::vector<nlohmann::json> found;
        wait_until([&] { return (found = entries(ident)).size() >= count; });
        return found;
    }

    tevra_logger *logger(const char *ident, int mode) {
        tevra_config cfg;
        tevra_default_config(&cfg);
        cfg.mode = mode;
        cfg.level = TEVRA_LEVEL_TRACE;
        cfg.timestamps = 0;
        EXPECT_EQ(tevra_output_init_journald(&cfg.output, ident), 0);
        return tevra_new(&cfg);
    }

    std::string ns_, run_dir_, log_;
    Daemon daemon_;
};

TEST_F(Journald, EveryLineIsAnEntryWithItsPriorityAndMessage) {
    tevra_logger *log = logger("tv-prio", TEVRA_MODE_CONSOLE);
    ASSERT_NE(log, nullptr);
    const int levels[] = {TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_INFO,
                          TEVRA_LEVEL_WARN,  TEVRA_LEVEL_ERROR, TEVRA_LEVEL_FATAL,
                          TEVRA_LEVEL_PANIC, TEVRA_LEVEL_NOLEVEL};
    const char *priorities[] = {"7", "7", "6", "4", "3", "2", "0", "6"};
    for (int i = 0; i < 8; ++i) tevra_fields(log, levels[i], ("m" + std::to_string(i)).c_str(), nullptr, 0);
    log->destroy(log);
    const auto found = wait_entries("tv-prio", 8);
    ASSERT_EQ(found.size(), 8u) << read_file(log_ + "/daemon.out");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(found[i]["PRIORITY"], priorities[i]);
        EXPECT_EQ(found[i]["MESSAGE"],
                  std::string(tevra_level_console_label(levels[i])) + " m" + std::to_string(i));
    }
}

TEST_F(Journald, JsonLinesCarryTheirFieldsAndHugeLinesArriveWhole) {
    tevra_logger *log = logger("tv-fields", TEVRA_MODE_JSON);
    ASSERT_NE(log, nullptr);
    const tevra_field fields[] = {tevra_str("user-name", "ann\nbob"), tevra_i64("count", 7),
                                  tevra_str("_x", "y"), tevra_str("9lives", "cat"),
                                  tevra_str("msg", "mine")};
    tevra_error(log, "with fields", fields, 5);
    // 100 KB fits a datagram; 400 KB does not and goes through a memfd.
    const std::string big(100 * 1024, 'b'), huge(400 * 1024, 'h');
    const tevra_field b = tevra_str("blob", big.c_str());
    tevra_warn(log, "big", &b, 1);
    const tevra_field h = tevra_str("blob", huge.c_str());
    tevra_info(log, "huge", &h, 1);
    log->destroy(log);

    const auto found = wait_entries("tv-fields", 3);
    ASSERT_EQ(found.size(), 3u) << read_file(log_ + "/daemon.out");
    const auto &e = found[0];
    EXPECT_EQ(e["PRIORITY"], "3");
    EXPECT_EQ(e["MESSAGE"],
              R"({"lvl":"error","msg":"with fields","user-name":"ann\nbob","count":7,"_x":"y","9lives":"cat","msg":"mine"})");
    EXPECT_EQ(e["USER_NAME"], "ann\nbob");
    EXPECT_EQ(e["COUNT"], "7");
    EXPECT_EQ(e["TEVRA__X"], "y");
    EXPECT_EQ(e["TEVRA_9LIVES"], "cat");
    EXPECT_EQ(e["MSG"], "mine");
    EXPECT_FALSE(e.contains("LVL"));
    EXPECT_EQ(found[1]["PRIORITY"], "4");
    EXPECT_EQ(found[1]["BLOB"], big);
    EXPECT_EQ(found[2]["PRIORITY"], "6");
    EXPECT_EQ(found[2]["BLOB"], huge);
    EXPECT_EQ(found[2]["MESSAGE"], R"({"lvl":"info","msg":"huge","blob":")" + huge + "\"}");
}

TEST_F(Journald, PiecesMakeOneEntryAndAnUnfinishedLastLineGoesOutAtClose) {
    tevra_output out{};
    ASSERT_EQ(tevra_output_init_journald(&out, "tv-pieces"), 0);
    write_pieces_and_close(out);
    const auto found = wait_entries("tv-pieces", 2);
    ASSERT_EQ(found.size(), 2u) << read_file(log_ + "/daemon.out");
    EXPECT_EQ(found[0]["MESSAGE"], "first half");
    EXPECT_EQ(found[1]["MESSAGE"], "unfinished");
    EXPECT_EQ(found[1]["PRIORITY"], "6");
}

TEST_F(Journald, ColourNeverReachesTheJournal) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.timestamps = 0;
    cfg.color = TEVRA_COLOR_ALWAYS;
    ASSERT_EQ(tevra_output_init_journald(&cfg.output, "tv-colour"), 0);
    tevra_logger *log = tevra_new(&cfg);
    tevra_info(log, "plain", nullptr, 0);
    log->destroy(log);
    const auto found = wait_entries("tv-colour", 1);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]["MESSAGE"], "INF plain");
}

}  // namespace
