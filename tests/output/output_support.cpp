#include "output_support.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/capture_sink.hpp"

namespace tevra_test {

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string root = base != nullptr && *base != '\0' ? base : "/tmp";
    std::string tmpl = root + "/tevra-out-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) dir_ = buf.data();
}

TempDir::~TempDir() {
    for (const auto &f : files_) unlink(f.c_str());
    if (!dir_.empty()) rmdir(dir_.c_str());
}

std::string TempDir::path(const std::string &name) {
    files_.push_back(dir_ + "/" + name);
    return files_.back();
}

tevra_output make_tee(const tevra_output &first, const tevra_output &second) {
    auto *tee = static_cast<tevra_tee *>(tevra_calloc_internal(1, sizeof(tevra_tee)));
    tee->first = first;
    tee->second = second;
    return tevra_output{&tevra_tee_write, &tevra_tee_close, &tevra_tee_isatty, tee, 1};
}

tevra_logger *logger_over(const tevra_output &out, size_t buffer_size) {
    CaptureSink unused;
    tevra_config cfg = capture_config(unused);
    cfg.output = out;
    cfg.buffer_size = buffer_size;
    return tevra_new(&cfg);
}

std::string message_of(size_t n, unsigned seed) {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + seed) % 26);
    return s;
}

std::string lines_for(const std::vector<std::string> &messages) {
    CaptureSink sink;
    tevra_logger *log = logger_over(sink.output());
    for (const std::string &message : messages) tevra_info(log, message.c_str(), nullptr, 0);
    log->destroy(log);
    return sink.text();
}

}  // namespace tevra_test
