// The syslog sink against rsyslogd, started here on a private unix socket
// and loopback UDP and TCP ports: every line arrives once with its
// severity and facility, JSON bodies parse, and a TCP peer that restarts
// receives the lines logged after it is back.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <syslog.h>
#include <tevra.h>
#include <unistd.h>

#include <map>
#include <string>

#include "daemon_support.hpp"

namespace {

using namespace tevra_test;

class Rsyslog : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = make_temp_dir("tevra-rsyslog");
        ASSERT_FALSE(dir_.empty());
        udp_port_ = free_port(SOCK_DGRAM);
        tcp_port_ = free_port(SOCK_STREAM);
        ASSERT_GT(udp_port_, 0);
        ASSERT_GT(tcp_port_, 0);
        const std::string d = dir_;
        write_file(d + "/rsyslog.conf",
                   "global(workDirectory=\"" + d + "\" maxMessageSize=\"64k\")\n"
                   "module(load=\"imuxsock\" SysSock.Use=\"off\")\n"
                   "module(load=\"imudp\")\nmodule(load=\"imtcp\")\nmodule(load=\"mmjsonparse\")\n"
                   "input(type=\"imuxsock\" Socket=\"" + d + "/log.sock\" UseSpecialParser=\"off\" ParseHostname=\"on\")\n"
                   "input(type=\"imudp\" address=\"127.0.0.1\" port=\"" + std::to_string(udp_port_) + "\")\n"
                   "input(type=\"imtcp\" address=\"127.0.0.1\" port=\"" + std::to_string(tcp_port_) + "\")\n"
                   "template(name=\"plain\" type=\"string\" string=\"%syslogseverity%|%syslogfacility%|%app-name%|%msg%\\n\")\n"
                   "template(name=\"parsed\" type=\"string\" string=\"J|%app-name%|%$!msg%|%$!n%\\n\")\n"
                   "action(type=\"omfile\" file=\"" + d + "/all.log\" template=\"plain\")\n"
                   "action(type=\"mmjsonparse\" cookie=\"\")\n"
                   "if $parsesuccess == \"OK\" then action(type=\"omfile\" file=\"" + d + "/json.log\" template=\"parsed\")\n");
        start_daemon();
    }
    void TearDown() override {
        daemon_.stop();
        if (!HasFailure()) remove_tree(dir_);
    }

    void start_daemon() {
        ASSERT_TRUE(daemon_.start({"/usr/sbin/rsyslogd", "-n", "-f", dir_ + "/rsyslog.conf", "-i",
                                   dir_ + "/rsyslogd.pid"},
                                  dir_ + "/daemon.out"))
            << "rsyslogd (Debian package rsyslog) cannot be started";
        const bool ready = wait_until([&] {
            if (access((dir_ + "/log.sock").c_str(), F_OK) != 0) return false;
            return accepts_tcp();
        });
        ASSERT_TRUE(ready) << "rsyslogd did not come up: " << read_file(dir_ + "/daemon.out");
    }

    bool accepts_tcp() const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(tcp_port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
        close(fd);
        return ok;
    }

    // Received lines "severity|facility|app|msg" of one app name.
    std::vector<std::string> received(const std::string &app, const char *file = "/all.log") const {
        std::vector<std::string> mine;
        for (auto &line : split_lines(read_file(dir_ + file))) {
            if (line.find("|" + app + "|") != std::string::npos) mine.push_back(line);
        }
        return mine;
    }

    bool wait_for(const std::string &app, size_t count, const char *file = "/all.log") const {
        return wait_until([&] { return received(app, file).size() >= count; });
    }

    tevra_logger *logger(const std::string &address, const char *ident, int facility, int mode) {
        tevra_config cfg;
        tevra_default_config(&cfg);
        cfg.mode = mode;
        cfg.timestamps = 0;
        cfg.level = TEVRA_LEVEL_TRACE;
        cfg.buffer_size = 256;  // long lines reach the sink in pieces
        EXPECT_EQ(tevra_output_init_syslog(&cfg.output, address.c_str(), ident, facility), 0);
        return tevra_new(&cfg);
    }

    std::string udp() const { return "udp://127.0.0.1:" + std::to_string(udp_port_); }
    std::string tcp() const { return "tcp://127.0.0.1:" + std::to_string(tcp_port_); }

    std::string dir_;
    int udp_port_ = 0;
    int tcp_port_ = 0;
    Daemon daemon_;
};

TEST_F(Rsyslog, EveryLineArrivesOnceWithItsSeverityOnEachTransport) {
    const std::map<std::string, std::string> addresses = {
        {"tv-unix", "unix:" + dir_ + "/log.sock"}, {"tv-udp", udp()}, {"tv-tcp", tcp()}};
    const int levels[] = {TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_INFO,
                          TEVRA_LEVEL_WARN,  TEVRA_LEVEL_ERROR, TEVRA_LEVEL_FATAL,
                          TEVRA_LEVEL_PANIC, TEVRA_LEVEL_NOLEVEL};
    const char *severities[] = {"7", "7", "6", "4", "3", "2", "0", "6"};
    const std::string long_text(3000, 'z');
    for (const auto &[app, address] : addresses) {
        tevra_logger *log = logger(address, app.c_str(), LOG_LOCAL3, TEVRA_MODE_CONSOLE);
        ASSERT_NE(log, nullptr);
        for (int i = 0; i < 8; ++i) {
            tevra_fields(log, levels[i], ("m" + std::to_string(i)).c_str(), nullptr, 0);
        }
        const tevra_field f = tevra_str("k", long_text.c_str());
        tevra_warn(log, "long", &f, 1);
        log->destroy(log);

        ASSERT_TRUE(wait_for(app, 9)) << app << ": " << read_file(dir_ + "/all.log");
        const auto lines = received(app);
        ASSERT_EQ(lines.size(), 9u) << app;
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(lines[i], std::string(severities[i]) + "|19|" + app + "|" +
                                    tevra_level_console_label(levels[i]) + " m" + std::to_string(i))
                << app;
        }
        EXPECT_EQ(lines[8], "4|19|" + app + "|WRN long k=" + long_text) << app;
    }
}

TEST_F(Rsyslog, JsonBodiesParseAndFacilityZeroMeansUser) {
    tevra_logger *log = logger(tcp(), "tv-json", 0, TEVRA_MODE_JSON);
    ASSERT_NE(log, nullptr);
    for (int i = 0; i < 20; ++i) {
        const tevra_field f = tevra_i64("n", i);
        tevra_error(log, "json \"quoted\"", &f, 1);
    }
    log->destroy(log);
    ASSERT_TRUE(wait_for("tv-json", 20, "/json.log")) << read_file(dir_ + "/all.log");
    const auto parsed = received("tv-json", "/json.log");
    ASSERT_EQ(parsed.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(parsed[i], "J|tv-json|json \"quoted\"|" + std::to_string(i));
    }
    for (const auto &line : received("tv-json")) EXPECT_EQ(line.substr(0, 4), "3|1|");
}

TEST_F(Rsyslog, TcpPeerThatRestartsReceivesTheLinesAfterItIsBack) {
    tevra_logger *log = logger(tcp(), "tv-restart", LOG_DAEMON, TEVRA_MODE_CONSOLE);
    ASSERT_NE(log, nullptr);
    for (int i = 0; i < 5; ++i) tevra_info(log, ("before" + std::to_string(i)).c_str(), nullptr, 0);
    ASSERT_TRUE(wait_for("tv-restart", 5));
    daemon_.stop();
    // While the daemon is away the lines fail; they are not queued.
    tevra_info(log, "while-down", nullptr, 0);
    start_daemon();
    for (int i = 0; i < 5; ++i) tevra_info(log, ("after" + std::to_string(i)).c_str(), nullptr, 0);
    ASSERT_TRUE(wait_for("tv-restart", 10)) << read_file(dir_ + "/all.log");
    const auto lines = received("tv-restart");
    ASSERT_EQ(lines.size(), 10u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i], "6|3|tv-restart|INF before" + std::to_string(i));
        EXPECT_EQ(lines[5 + i], "6|3|tv-restart|INF after" + std::to_string(i));
    }
    log->destroy(log);
}

TEST_F(Rsyslog, PiecesMakeOneMessageAndAnUnfinishedLastLineGoesOutAtClose) {
    tevra_output out{};
    const std::string address = "unix:" + dir_ + "/log.sock";
    ASSERT_EQ(tevra_output_init_syslog(&out, address.c_str(), "tv-pieces", LOG_USER), 0);
    write_pieces_and_close(out);
    ASSERT_TRUE(wait_for("tv-pieces", 2)) << read_file(dir_ + "/all.log");
    EXPECT_EQ(received("tv-pieces"), (std::vector<std::string>{"6|1|tv-pieces|first half",
                                                               "6|1|tv-pieces|unfinished"}));
}

TEST(SyslogOutput, RefusesUnknownAddressesAndFacilities) {
    tevra_output out{};
    EXPECT_EQ(tevra_output_init_syslog(&out, "carrier-pigeon://x", nullptr, 0), EINVAL);
    EXPECT_EQ(tevra_output_init_syslog(&out, "udp://127.0.0.1", nullptr, 5), EINVAL);
    EXPECT_EQ(tevra_output_init_syslog(&out, "udp://127.0.0.1", nullptr, LOG_LOCAL7 + 8), EINVAL);
    EXPECT_EQ(out.write, nullptr);
}

}  // namespace
