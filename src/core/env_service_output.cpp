// SPDX-License-Identifier: MIT
// OUTPUT values that name syslog or the journal instead of a file, with
// SYSLOG_IDENT and SYSLOG_FACILITY, turned into the library's sinks.
#include <syslog.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "core/env.hpp"
#include "core/views.hpp"
#include "output/output.hpp"

namespace tev {
namespace {

constexpr size_t kAddressBuffer = 512;
constexpr size_t kFacilityBuffer = 16;

constexpr struct {
    std::string_view name;
    int code;
} kFacilities[] = {{"user", LOG_USER},     {"daemon", LOG_DAEMON}, {"local0", LOG_LOCAL0},
                   {"local1", LOG_LOCAL1}, {"local2", LOG_LOCAL2}, {"local3", LOG_LOCAL3},
                   {"local4", LOG_LOCAL4}, {"local5", LOG_LOCAL5}, {"local6", LOG_LOCAL6},
                   {"local7", LOG_LOCAL7}};

// The prefixes and the syslog address each stands for, before the rest of
// the value. "syslog:" alone is the local socket; "syslog:unix:PATH" keeps
// its "unix:"; "syslog://" is UDP.
constexpr struct {
    std::string_view prefix;
    std::string_view scheme;
} kSyslogForms[] = {{"syslog+tcp://", "tcp://"}, {"syslog://", "udp://"}, {"syslog:", ""}};
constexpr std::string_view kJournald = "journald:";

bool starts_with_ignoring_case(std::string_view value, std::string_view prefix) {
    if (value.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(value[i])) != prefix[i]) return false;
    }
    return true;
}

// -1 for a name that is not one of the facilities an application may use.
int facility_code(const char *text) {
    if (text == nullptr) return LOG_USER;
    char word[kFacilityBuffer];
    trim_lower_copy(word, sizeof word, text);
    if (word[0] == '\0') return LOG_USER;
    for (const auto &f : kFacilities) {
        if (f.name == word) return f.code;
    }
    return -1;
}

const char *ident_or_null(const char *ident) {
    return ident != nullptr && trimmed(ident).empty() ? nullptr : ident;
}

}  // namespace

bool is_service_output(std::string_view value) {
    return starts_with_ignoring_case(value, "syslog:") ||
           starts_with_ignoring_case(value, "syslog+tcp://") || starts_with_ignoring_case(value, kJournald);
}

int open_service_output(std::string_view value, const OutputOptions &options, tevra_output *out) {
    const char *ident = ident_or_null(options.ident);
    if (starts_with_ignoring_case(value, kJournald)) {
        if (value.size() != kJournald.size()) return EINVAL;
        return open_journald_output(out, ident);
    }
    for (const auto &form : kSyslogForms) {
        if (!starts_with_ignoring_case(value, form.prefix)) continue;
        const std::string_view rest = slice(value, form.prefix.size());
        if (form.scheme.size() + rest.size() >= kAddressBuffer) return ENAMETOOLONG;
        char address[kAddressBuffer];
        std::memcpy(address, form.scheme.data(), form.scheme.size());
        std::memcpy(address + form.scheme.size(), rest.data(), rest.size());
        address[form.scheme.size() + rest.size()] = '\0';
        const int facility = facility_code(options.facility);
        if (facility < 0) return EINVAL;
        return open_syslog_output(out, address, ident, facility);
    }
    return EINVAL;
}

}  // namespace tev
