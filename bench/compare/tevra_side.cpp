// SPDX-License-Identifier: MIT
// Builds tevra loggers for the comparison: UTC timestamps (so that spdlog's
// UTC pattern shows the same text), the default palette when coloured, and
// for the bound-field case a logger derived with the ten bound fields.
#include "tevra_side.hpp"

#include "line_sink.hpp"

namespace tevra_compare {

namespace {

tevra_logger *derive_bound(tevra_logger *root) {
    std::array<tevra_field, kBound.size()> fields;
    for (size_t i = 0; i < kBound.size(); ++i)
        fields[i] =
            kBound[i].text ? tevra_str(kBound[i].key, kBound[i].text) : tevra_i64(kBound[i].key, kBound[i].number);
    tevra_logger *derived = tevra_with(root, fields.data(), fields.size());
    // The derived logger keeps the shared state alive on its own.
    root->destroy(root);
    return derived;
}

}  // namespace

TevraSide::TevraSide(const Case &c, std::string *capture)
    : fields_{tevra_str("user", kUser), tevra_i64("status", kStatus), tevra_f64("ratio", kRatio),
              tevra_bool("cached", kCached), tevra_str("path", kPath)} {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = c.mode;
    cfg.color = c.color ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
    cfg.level = TEVRA_LEVEL_INFO;
    cfg.utc = 1;
    cfg.output = tevra_output{&take_line, nullptr, nullptr, capture, 0};
    log_ = tevra_new(&cfg);
    if (c.call == Call::message_only) log_ = derive_bound(log_);
}

TevraSide::~TevraSide() { log_->destroy(log_); }

}  // namespace tevra_compare
