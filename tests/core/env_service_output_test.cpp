// OUTPUT values that name syslog or the journal, alone and after the '+' of
// a tee, with SYSLOG_IDENT and SYSLOG_FACILITY; each checked by a socket of
// the test's own standing in for the daemon.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <tevra.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "env_support.hpp"

namespace {

using tevra_test::EnvGuard;
using tevra_test::FdCapture;
using tevra_test::TempDir;

// A bound datagram socket (unix or UDP) or a listening TCP socket.
class Listener {
  public:
    explicit Listener(const std::string &unix_path) {
        fd_ = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, unix_path.c_str(), sizeof a.sun_path - 1);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    }
    explicit Listener(int type) {
        fd_ = socket(AF_INET, type, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr *>(&a), len), 0);
        getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
        if (type == SOCK_STREAM) listen(fd_, 4);
    }
    ~Listener() { close(fd_); }

    // One datagram, or what the first accepted connection sent until EOF.
    std::string receive(bool stream = false) {
        timeval tv{5, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buf[65536];
        if (!stream) {
            const ssize_t n = recv(fd_, buf, sizeof buf, 0);
            return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
        }
        const int c = accept(fd_, nullptr, nullptr);
        std::string all;
        ssize_t n;
        while (c >= 0 && (n = recv(c, buf, sizeof buf, 0)) > 0) all.append(buf, static_cast<size_t>(n));
        if (c >= 0) close(c);
        return all;
    }
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

void plain(EnvGuard &env) {
    env.set("LOG_DISABLE_TIMESTAMP", "1");
    env.set("LOG_NO_COLOR", "1");
    env.unset("LOG_SYSLOG_IDENT");
    env.unset("LOG_SYSLOG_FACILITY");
}

void log_one_line(const char *msg) {
    tevra_logger *log = tevra_new_from_env(nullptr, nullptr);
    ASSERT_NE(log, nullptr);
    tevra_warn(log, msg, nullptr, 0);
    log->destroy(log);
}

TEST(EnvServiceOutput, SyslogUnixSocketTakesIdentAndFacility) {
    EnvGuard env;
    TempDir dir;
    plain(env);
    Listener daemon(dir.file("log.sock"));
    env.set("LOG_OUTPUT", "syslog:unix:" + dir.file("log.sock"));
    env.set("LOG_SYSLOG_IDENT", "envapp");
    env.set("LOG_SYSLOG_FACILITY", " Local1 ");
    log_one_line("hello");
    const std::string got = daemon.receive();
    // local1 (17) * 8 + warning (4)
    EXPECT_EQ(got.substr(0, 7), "<140>1 ") << got;
    EXPECT_NE(got.find(" envapp " + std::to_string(getpid()) + " - - WRN hello"), std::string::npos) << got;
}

TEST(EnvServiceOutput, SyslogOverUdpAndTcpAfterATee) {
    EnvGuard env;
    plain(env);
    Listener udp(SOCK_DGRAM);
    env.set("LOG_OUTPUT", "syslog://127.0.0.1:" + std::to_string(udp.port()));
    log_one_line("by udp");
    std::string got = udp.receive();
    EXPECT_EQ(got.substr(0, 6), "<12>1 ") << got;  // user (1) * 8 + warning
    EXPECT_EQ(got.substr(got.size() - 10), "WRN by udp");

    Listener tcp(SOCK_STREAM);
    env.set("LOG_OUTPUT", "stderr+syslog+tcp://127.0.0.1:" + std::to_string(tcp.port()));
    FdCapture err(2);
    log_one_line("by tcp");
    EXPECT_EQ(err.finish(), "WRN by tcp\n");
    got = tcp.receive(true);
    // Octet counting: the length, a space, then exactly that many bytes.
    const size_t space = got.find(' ');
    ASSERT_NE(space, std::string::npos);
    EXPECT_EQ(std::stoul(got.substr(0, space)), got.size() - space - 1) << got;
    EXPECT_EQ(got.substr(got.size() - 10), "WRN by tcp");
}

TEST(EnvServiceOutput, JournaldAfterATeeSendsAnEntry) {
    EnvGuard env;
    TempDir dir;
    plain(env);
    Listener journal(dir.file("journal.sock"));
    env.set("TEVRA_JOURNAL_SOCKET", dir.file("journal.sock"));
    env.set("LOG_OUTPUT", "stdout+journald:");
    env.set("LOG_SYSLOG_IDENT", "envapp");
    FdCapture out(1);
    log_one_line("to the journal");
    EXPECT_EQ(out.finish(), "WRN to the journal\n");
    EXPECT_EQ(journal.receive(),
              "MESSAGE=WRN to the journal\nPRIORITY=4\nSYSLOG_IDENTIFIER=envapp\n");
}

TEST(EnvServiceOutput, UnknownFacilityOrServiceIsReportedAndLeavesTheDefault) {
    EnvGuard env;
    plain(env);
    env.set("LOG_MODE", "json");
    env.set("LOG_OUTPUT", "syslog://127.0.0.1:9");
    env.set("LOG_SYSLOG_FACILITY", "kern");
    FdCapture err(1);  // the default output
    log_one_line("x");
    const std::string text = err.finish();
    EXPECT_NE(text.find("logger.output.open.failed"), std::string::npos) << text;
    EXPECT_NE(text.find("\"output\":\"syslog://127.0.0.1:9\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"msg\":\"x\""), std::string::npos) << text;

    env.unset("LOG_SYSLOG_FACILITY");
    env.set("LOG_OUTPUT", "journald:extra");
    FdCapture err2(1);
    log_one_line("y");
    EXPECT_NE(err2.finish().find("logger.output.open.failed"), std::string::npos);
}

}  // namespace
