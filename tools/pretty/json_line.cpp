// SPDX-License-Identifier: MIT
// A strict RFC 8259 reader for one object per line. It validates as it
// goes and gives up at the first fault, so a line that is not exactly one
// object can pass through the pretty-printer unchanged.
#include "pretty/json_line.hpp"

#include <cstdint>

#include "common/number_token.hpp"

namespace tevra_pretty {
namespace {

// Deeper nesting than this is refused rather than recursed into.
constexpr int kMaxDepth = 256;

void put_utf8(std::string *out, uint32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class Reader {
  public:
    explicit Reader(std::string_view s) : s_(s) {}

    bool object(std::vector<JsonMember> *members) {
        members->clear();
        skip_space();
        if (!eat('{')) return false;
        skip_space();
        if (eat('}')) return at_end();
        for (;;) {
            JsonMember m;
            skip_space();
            if (!string(&m.key)) return false;
            skip_space();
            if (!eat(':')) return false;
            skip_space();
            if (!member_value(&m)) return false;
            members->push_back(std::move(m));
            skip_space();
            if (eat(',')) continue;
            if (eat('}')) return at_end();
            return false;
        }
    }

  private:
    bool at_end() {
        skip_space();
        return i_ == s_.size();
    }
    char peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
    bool eat(char c) {
        if (peek() != c || i_ >= s_.size()) return false;
        ++i_;
        return true;
    }
    void skip_space() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool word(std::string_view w) {
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }

    bool hex4(uint32_t *v) {
        if (i_ + 4 > s_.size()) return false;
        uint32_t x = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[i_++];
            x <<= 4;
            if (c >= '0' && c <= '9') {
                x |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                x |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                x |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        *v = x;
        return true;
    }

    // \uXXXX, with a following low surrogate joined to a high one. A lone
    // surrogate cannot be written as UTF-8 and becomes U+FFFD.
    bool unicode_escape(std::string *out) {
        uint32_t cp = 0;
        if (!hex4(&cp)) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(i_, 2) == "\\u") {
            const size_t back = i_;
            i_ += 2;
            uint32_t low = 0;
            if (!hex4(&low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                put_utf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            i_ = back;
        }
        put_utf8(out, (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp);
        return true;
    }

    bool string(std::string *out) {
        if (!eat('"')) return false;
        while (i_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out->push_back(static_cast<char>(c));
                continue;
            }
            if (i_ >= s_.size()) return false;
            switch (s_[i_++]) {
                case '"': out->push_back('"'); break;
                case '\\': out->push_back('\\'); break;
                case '/': out->push_back('/'); break;
                case 'b': out->push_back('\b'); break;
                case 'f': out->push_back('\f'); break;
                case 'n': out->push_back('\n'); break;
                case 'r': out->push_back('\r'); break;
                case 't': out->push_back('\t'); break;
                case 'u':
                    if (!unicode_escape(out)) return false;
                    break;
                default: return false;
            }
        }
        return false;
    }

    bool number(std::string *token) {
        const size_t start = i_;
        while (i_ < s_.size() && std::string_view("+-.0123456789eE").find(s_[i_]) != std::string_view::npos) ++i_;
        *token = std::string(s_.substr(start, i_ - start));
        return tevra_tools::is_json_number(*token);
    }

    // Any value, appended to `out` as compact text.
    bool compact(std::string *out, int depth) {
        if (depth > kMaxDepth) return false;
        const char c = peek();
        if (c == '"') {
            const size_t start = i_;
            std::string scratch;
            if (!string(&scratch)) return false;
            out->append(s_.substr(start, i_ - start));
            return true;
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            out->push_back(c);
            ++i_;
            skip_space();
            if (eat(close)) {
                out->push_back(close);
                return true;
            }
            for (;;) {
                skip_space();
                if (c == '{') {
                    if (peek() != '"' || !compact(out, depth + 1)) return false;
                    skip_space();
                    if (!eat(':')) return false;
                    out->push_back(':');
                    skip_space();
                }
                if (!compact(out, depth + 1)) return false;
                skip_space();
                if (eat(',')) {
                    out->push_back(',');
                    continue;
                }
                if (!eat(close)) return false;
                out->push_back(close);
                return true;
            }
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            std::string token;
            if (!number(&token)) return false;
            out->append(token);
            return true;
        }
        for (std::string_view w : {"true", "false", "null"}) {
            if (word(w)) {
                out->append(w);
                return true;
            }
        }
        return false;
    }

    bool member_value(JsonMember *m) {
        using Kind = JsonMember::Kind;
        const char c = peek();
        if (c == '"') {
            m->kind = Kind::String;
            return string(&m->text);
        }
        if (c == '{' || c == '[') {
            m->kind = Kind::Nested;
            return compact(&m->text, 1);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            m->kind = Kind::Number;
            return number(&m->text);
        }
        if (word("true")) {
            m->kind = Kind::True;
        } else if (word("false")) {
            m->kind = Kind::False;
        } else if (word("null")) {
            m->kind = Kind::Null;
        } else {
            return false;
        }
        return true;
    }

    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

bool parse_json_object(std::string_view line, std::vector<JsonMember> *members) {
    return Reader(line).object(members);
}

std::string strip_ansi(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
            // Parameter and intermediate bytes, then one final byte.
            size_t j = i + 2;
            while (j < line.size() && static_cast<unsigned char>(line[j]) >= 0x20 &&
                   static_cast<unsigned char>(line[j]) <= 0x3F) {
                ++j;
            }
            if (j < line.size()) {
                i = j;
                continue;
            }
        }
        out.push_back(line[i]);
    }
    return out;
}

}  // namespace tevra_pretty
