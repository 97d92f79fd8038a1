// Templates that collide in the cache, found with a hash written out
// independently of the library's.
#include "kvfmt_support.hpp"

#include <cstdint>

namespace {

// Written out independently of the library's own hash.
uint32_t reference_hash(const std::string &text) {
    uint32_t h = 1469598103u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

namespace kvfmt_test {

std::vector<std::string> colliding_templates(size_t n) {
    std::vector<std::string> out;
    uint32_t bucket = 0;
    for (unsigned i = 0; out.size() < n; ++i) {
        std::string text = "k" + std::to_string(i) + "=%d";
        const uint32_t b = reference_hash(text) & 511u;
        if (out.empty()) bucket = b;
        if (b == bucket) out.push_back(text);
    }
    return out;
}

}  // namespace kvfmt_test
