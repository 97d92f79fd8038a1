// SPDX-License-Identifier: MIT
/*
 * tevra.hpp: the C++ interface of tevra, header-only over <tevra.h>.
 *
 *   tvr::logger log = tvr::logger::from_env();
 *   log.info("request done", {{"user", user}, {"status", 200}, {"took", 18ms}});
 *   log.infof("login", "user=%s attempts=%d ok=%b err=%m", name, 3, true);
 *   tvr::logger req = log.with({{"request_id", id}});
 *
 * Every call is the C call it stands for, made with the same records and
 * arguments, so it writes the same bytes and costs the same. Needs C++17;
 * works with exceptions and RTTI on or off.
 *
 * Template checks. Under C++20 the template of the f-calls is checked
 * while compiling: a template that does not parse, a count of arguments
 * that does not match its verbs, or an argument whose type does not fit
 * its verb does not compile. The error names what is wrong and where:
 * `item_expects_a_string` with the item's number (`<2>`, or
 * `[with int Item = 2]`) and the item inside the template text
 * (`&"n=%d s=%s"[5]` points at the item `s=%s`); likewise
 * `item_is_invalid`, `item_has_no_argument`, `argument_has_no_item`.
 * The template must therefore be a string literal (or another constant);
 * programs with templates made at run time call the C functions through
 * `get()`. Under C++17 the same calls compile without the check.
 *
 * What fits a verb (each argument is converted to exactly the type the C
 * function reads for its verb before the call, so no call can pass it a
 * mismatched variadic argument):
 *   %s   const char *, char *, a character array, std::string (its c_str())
 *   %d   int and the integers narrower than int
 *   %u   unsigned and the unsigned integers narrower than int
 *   %ld  long and long long (integers as wide as long)
 *   %lu  unsigned long and unsigned long long
 *   %f   float, double
 *   %p   any object pointer
 *   %b   bool, int
 *   %m   nothing: errno as it was on entry
 * An int under %ld does not fit: C reads a long there while the argument's
 * type alone decides what is passed, so use %d for an int (or cast it).
 * A char, std::string_view, nullptr and enumerations fit no verb.
 *
 * Threads: a tvr::logger is a tevra_logger handle and is used from many
 * threads exactly as the handle is; moving or destroying one must not
 * overlap other use of it.
 */
#ifndef TEVRA_HPP
#define TEVRA_HPP

#include <tevra.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#if __cplusplus >= 202002L
#include <span>
#endif

// Not __cpp_consteval: clang 14 has consteval but does not announce it.
#if __cplusplus >= 202002L
#define TEVRA_CHECKED_TEMPLATES 1
#else
#define TEVRA_CHECKED_TEMPLATES 0
#endif

namespace tvr {

// Level codes, valued as the C codes.
enum class level : int {
    trace = TEVRA_LEVEL_TRACE,
    debug = TEVRA_LEVEL_DEBUG,
    info = TEVRA_LEVEL_INFO,
    warn = TEVRA_LEVEL_WARN,
    error = TEVRA_LEVEL_ERROR,
    fatal = TEVRA_LEVEL_FATAL,
    panic = TEVRA_LEVEL_PANIC,
    nolevel = TEVRA_LEVEL_NOLEVEL,
    disabled = TEVRA_LEVEL_DISABLED,
};

// A borrowed run of bytes, written as hex.
struct bytes {
    const void *data = nullptr;
    std::size_t size = 0;

    constexpr bytes() noexcept = default;
    constexpr bytes(const void *d, std::size_t n) noexcept : data(d), size(n) {}
#if __cplusplus >= 202002L
    template <std::size_t N>
    constexpr bytes(std::span<const std::byte, N> s) noexcept : data(s.data()), size(s.size()) {}
#endif
};

// An errno number, written as its message.
struct errno_value {
    int value;
};

namespace detail {

template <class T>
inline constexpr bool is_character_v =
    std::is_same_v<T, char> || std::is_same_v<T, wchar_t> || std::is_same_v<T, char16_t> ||
#if defined(__cpp_char8_t)
    std::is_same_v<T, char8_t> ||
#endif
    std::is_same_v<T, char32_t>;

template <class T>
inline constexpr bool is_float_v = std::is_same_v<T, float> || std::is_same_v<T, double>;

// Integers as numbers: neither bool nor a character type.
template <class T>
inline constexpr bool is_number_v =
    std::is_integral_v<T> && !std::is_same_v<T, bool> && !is_character_v<T>;

template <class T>
using when = std::enable_if_t<T::value, int>;

template <class T>
struct type_identity {
    using type = T;
};

}  // namespace detail

// One key/value pair for a field call: a tevra_field built by the C
// constructor for the value's type. Like the record, it borrows its key and
// value for the call it is passed to.
class field {
  public:
    field(const char *key, const char *value) noexcept : raw_(tevra_str(key, value)) {}
    // Exactly the string's bytes, NUL bytes included.
    field(const char *key, const std::string &value) noexcept
        : raw_(tevra_str_n(key, value.data(), value.size())) {}
    // Exactly the view's bytes; nothing past its end is read.
    field(const char *key, std::string_view value) noexcept
        : raw_(tevra_str_n(key, value.data(), value.size())) {}
    field(const char *key, std::nullptr_t) noexcept : raw_(tevra_null(key)) {}
    field(const char *key, bytes value) noexcept : raw_(tevra_bytes_field(key, value.data, value.size)) {}
    field(const char *key, errno_value value) noexcept : raw_(tevra_errno(key, value.value)) {}

    template <class T, detail::when<std::is_same<T, bool>> = 0>
    field(const char *key, T value) noexcept : raw_(tevra_bool(key, value ? 1 : 0)) {}

    template <class T, detail::when<std::bool_constant<detail::is_number_v<T> && std::is_signed_v<T>>> = 0>
    field(const char *key, T value) noexcept : raw_(tevra_i64(key, static_cast<std::int64_t>(value))) {}

    template <class T, detail::when<std::bool_constant<detail::is_number_v<T> && std::is_unsigned_v<T>>> = 0>
    field(const char *key, T value) noexcept : raw_(tevra_u64(key, static_cast<std::uint64_t>(value))) {}

    template <class T, detail::when<std::bool_constant<detail::is_float_v<T>>> = 0>
    field(const char *key, T value) noexcept : raw_(tevra_f64(key, static_cast<double>(value))) {}

    // Any object pointer but a character pointer, which is a string.
    template <class T, detail::when<std::bool_constant<(std::is_object_v<T> || std::is_void_v<T>) &&
                                                       !detail::is_character_v<std::remove_cv_t<T>>>> = 0>
    field(const char *key, T *value) noexcept
        : raw_(tevra_ptr(key, const_cast<const void *>(static_cast<const volatile void *>(value)))) {}

    template <class Rep, class Period>
    field(const char *key, std::chrono::duration<Rep, Period> value) noexcept
        : raw_(tevra_duration_field(key, duration_of(value))) {}

    // Shown in UTC.
    template <class Duration>
    field(const char *key, std::chrono::time_point<std::chrono::system_clock, Duration> value) noexcept
        : raw_(tevra_time_field(key, time_of(value.time_since_epoch()))) {}

    // A char is a character, not a number: log a string, or cast to int.
    // (Compilers quote the line below in the error.)
    template <class T, detail::when<std::bool_constant<detail::is_character_v<T>>> = 0>
    field(const char *key, T value) = delete;  // a char value is not a number

    const tevra_field &raw() const noexcept { return raw_; }

  private:
    template <class Rep, class Period>
    static tevra_duration duration_of(std::chrono::duration<Rep, Period> d) noexcept {
        const auto sec = std::chrono::duration_cast<std::chrono::seconds>(d);
        const auto nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(d - sec);
        return tevra_duration{static_cast<long>(sec.count()), static_cast<long>(nsec.count())};
    }

    // Whole seconds rounded down, so the nanoseconds of a moment before
    // 1970 stay within 0..999999999 as tevra_time expects.
    template <class Rep, class Period>
    static tevra_time time_of(std::chrono::duration<Rep, Period> since_epoch) noexcept {
        const auto sec = std::chrono::floor<std::chrono::seconds>(since_epoch);
        const auto nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - sec);
        return tevra_time{static_cast<long>(sec.count()), static_cast<long>(nsec.count()), 0};
    }

    tevra_field raw_;
};

// The fields of a call are the initializer list's own storage, passed to
// the C call as an array of tevra_field without a copy.
static_assert(sizeof(field) == sizeof(tevra_field) && alignof(field) == alignof(tevra_field));
static_assert(std::is_standard_layout_v<field> && std::is_trivially_copyable_v<field>);

namespace detail {

inline const tevra_field *records(std::initializer_list<field> fields) noexcept {
    return fields.size() == 0 ? nullptr : reinterpret_cast<const tevra_field *>(fields.begin());
}

// What kind of template argument a type is; each kind is passed as one C
// type, and the check matches kinds against verbs.
enum class arg_kind : unsigned char {
    string,         // const char *, char *, char arrays -> const char *
    std_string,     // std::string -> its c_str()
    boolean,        // bool -> int
    int_exact,      // int -> int
    small_signed,   // signed char, short -> int
    small_unsigned, // unsigned char, unsigned short -> int
    uint,           // unsigned -> unsigned
    wide_signed,    // long, long long -> long
    wide_unsigned,  // unsigned long, unsigned long long -> unsigned long
    floating,       // float, double -> double
    pointer,        // other object pointers -> void *
    other,          // fits no verb
};

template <class A>
constexpr arg_kind kind_of() {
    using T = std::decay_t<A>;
    if constexpr (std::is_same_v<T, const char *> || std::is_same_v<T, char *>) {
        return arg_kind::string;
    } else if constexpr (std::is_same_v<T, std::string>) {
        return arg_kind::std_string;
    } else if constexpr (std::is_same_v<T, bool>) {
        return arg_kind::boolean;
    } else if constexpr (std::is_same_v<T, int>) {
        return arg_kind::int_exact;
    } else if constexpr (is_number_v<T> && std::is_signed_v<T>) {
        if constexpr (sizeof(T) < sizeof(int)) return arg_kind::small_signed;
        else if constexpr (sizeof(T) > sizeof(int) && sizeof(T) <= sizeof(long))
            return arg_kind::wide_signed;
        else return arg_kind::other;
    } else if constexpr (is_number_v<T>) {
        if constexpr (sizeof(T) < sizeof(int)) return arg_kind::small_unsigned;
        else if constexpr (std::is_same_v<T, unsigned>) return arg_kind::uint;
        else if constexpr (sizeof(T) > sizeof(unsigned) && sizeof(T) <= sizeof(unsigned long))
            return arg_kind::wide_unsigned;
        else return arg_kind::other;
    } else if constexpr (is_float_v<T>) {
        return arg_kind::floating;
    } else if constexpr (std::is_pointer_v<T> && !std::is_function_v<std::remove_pointer_t<T>>) {
        return arg_kind::pointer;
    } else {
        return arg_kind::other;
    }
}

// The argument as the one C type its kind is passed as.
template <class A>
constexpr auto pass(A &&arg) noexcept {
    using T = std::decay_t<A>;
    constexpr arg_kind kind = kind_of<A>();
    static_assert(kind != arg_kind::other,
                  "a template argument must be a string, an integer, a float or double, bool or "
                  "an object pointer");
    if constexpr (kind == arg_kind::string) {
        return static_cast<const char *>(arg);
    } else if constexpr (kind == arg_kind::std_string) {
        return arg.c_str();
    } else if constexpr (kind == arg_kind::boolean || kind == arg_kind::int_exact ||
                         kind == arg_kind::small_signed || kind == arg_kind::small_unsigned) {
        return static_cast<int>(arg);
    } else if constexpr (kind == arg_kind::uint) {
        return static_cast<unsigned>(arg);
    } else if constexpr (kind == arg_kind::wide_signed) {
        return static_cast<long>(arg);
    } else if constexpr (kind == arg_kind::wide_unsigned) {
        return static_cast<unsigned long>(arg);
    } else if constexpr (kind == arg_kind::floating) {
        return static_cast<double>(arg);
    } else {
        return const_cast<void *>(static_cast<const volatile void *>(static_cast<T>(arg)));
    }
}

}  // namespace detail

#if TEVRA_CHECKED_TEMPLATES

namespace detail {

// The template grammar, as the library parses it: `key=%verb` items
// separated by spaces; a key of bytes above space other than '"', '\' and
// DEL, ending at the first "=%"; an optional 'l'; a verb letter; then any
// text up to the next space that holds no '%'. At most 32 items.
enum class verb : int {
    string = TEVRA_KVFMT_STRING,
    int_ = TEVRA_KVFMT_INT,
    long_ = TEVRA_KVFMT_LONG,
    uint = TEVRA_KVFMT_UINT,
    ulong = TEVRA_KVFMT_ULONG,
    double_ = TEVRA_KVFMT_DOUBLE,
    pointer = TEVRA_KVFMT_POINTER,
    boolean = TEVRA_KVFMT_BOOL,
    errno_ = TEVRA_KVFMT_ERRNO,
    invalid = -1,
};

constexpr verb verb_of(char letter, bool is_long) {
    switch (letter) {
        case 's': return verb::string;
        case 'd': return is_long ? verb::long_ : verb::int_;
        case 'u': return is_long ? verb::ulong : verb::uint;
        case 'f': return verb::double_;
        case 'p': return verb::pointer;
        case 'b': return verb::boolean;
        case 'm': return is_long ? verb::invalid : verb::errno_;
        default: return verb::invalid;
    }
}

constexpr bool key_byte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u != '"' && u != '\\' && u != 0x7F;
}

constexpr bool fits(arg_kind k, verb v) {
    switch (v) {
        case verb::string: return k == arg_kind::string || k == arg_kind::std_string;
        case verb::int_:
            return k == arg_kind::int_exact || k == arg_kind::small_signed || k == arg_kind::small_unsigned;
        case verb::uint: return k == arg_kind::uint || k == arg_kind::small_unsigned;
        case verb::long_: return k == arg_kind::wide_signed;
        case verb::ulong: return k == arg_kind::wide_unsigned;
        case verb::double_: return k == arg_kind::floating;
        case verb::pointer: return k == arg_kind::pointer || k == arg_kind::string;
        case verb::boolean: return k == arg_kind::boolean || k == arg_kind::int_exact;
        default: return false;
    }
}

// The compile errors of the check. None of these is constexpr: the check
// calls one only for a template that does not fit its arguments, and the
// compiler then reports the call, naming the function, the item's number
// (its template argument) and the item (the pointer into the template).
template <int Item> void item_is_invalid(const char *item);
template <int Item> void item_has_no_argument(const char *item);
template <int Item> void item_expects_a_string(const char *item);
template <int Item> void item_expects_an_int(const char *item);
template <int Item> void item_expects_an_unsigned(const char *item);
template <int Item> void item_expects_a_long(const char *item);
template <int Item> void item_expects_an_unsigned_long(const char *item);
template <int Item> void item_expects_a_double(const char *item);
template <int Item> void item_expects_a_pointer(const char *item);
template <int Item> void item_expects_a_bool_or_int(const char *item);
template <int Argument> void argument_has_no_item(const char *kvfmt);

enum class problem { invalid, no_argument, mismatch };

template <int Item>
constexpr void report_item(const char *item, problem p, verb v) {
    if (p == problem::invalid) item_is_invalid<Item>(item);
    if (p == problem::no_argument) item_has_no_argument<Item>(item);
    if (p != problem::mismatch) return;
    switch (v) {
        case verb::string: item_expects_a_string<Item>(item); break;
        case verb::int_: item_expects_an_int<Item>(item); break;
        case verb::uint: item_expects_an_unsigned<Item>(item); break;
        case verb::long_: item_expects_a_long<Item>(item); break;
        case verb::ulong: item_expects_an_unsigned_long<Item>(item); break;
        case verb::double_: item_expects_a_double<Item>(item); break;
        case verb::pointer: item_expects_a_pointer<Item>(item); break;
        case verb::boolean: item_expects_a_bool_or_int<Item>(item); break;
        default: break;
    }
}

// Turns the item's number into a template argument (33 is the item past
// the limit of 32).
template <std::size_t... I>
constexpr void report(int item, const char *text, problem p, verb v, std::index_sequence<I...>) {
    ((item == static_cast<int>(I) + 1 ? report_item<static_cast<int>(I) + 1>(text, p, v) : void()), ...);
}

template <std::size_t... I>
constexpr void report_argument(int argument, const char *kvfmt, std::index_sequence<I...>) {
    ((argument == static_cast<int>(I) + 1 ? argument_has_no_item<static_cast<int>(I) + 1>(kvfmt) : void()),
     ...);
}

inline constexpr int kMaxItems = TEVRA_KVFMT_MAX_ITEMS;
// Arguments are counted this far; a call with more fails on the first
// argument past the items in any case, and the message then names none.
inline constexpr int kMaxArguments = 64;

template <class... Args>
constexpr void check_kvfmt(const char *text) {
    constexpr int count = static_cast<int>(sizeof...(Args));
    constexpr arg_kind kinds[count + 1] = {kind_of<Args>()..., arg_kind::other};
    int next = 0;
    int item = 0;
    const char *p = text;
    while (p != nullptr) {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        ++item;
        const char *begin = p;
        const auto fail = [&](problem what, verb v) {
            report(item, begin, what, v, std::make_index_sequence<kMaxItems + 1>{});
        };
        if (item > kMaxItems) {
            fail(problem::invalid, verb::invalid);
            return;
        }
        while (!(p[0] == '=' && p[1] == '%')) {
            if (!key_byte(*p)) {
                fail(problem::invalid, verb::invalid);
                return;
            }
            ++p;
        }
        if (p == begin) {
            fail(problem::invalid, verb::invalid);
            return;
        }
        p += 2;
        bool is_long = false;
        if (*p == 'l') {
            is_long = true;
            ++p;
        }
        const verb v = *p == '\0' ? verb::invalid : verb_of(*p, is_long);
        if (v == verb::invalid) {
            fail(problem::invalid, v);
            return;
        }
        ++p;
        // The rest of the item is ignored, but a '%' there is a verb that
        // would read nothing, so it makes the template invalid.
        for (; *p != ' ' && *p != '\0'; ++p) {
            if (*p == '%') {
                fail(problem::invalid, v);
                return;
            }
        }
        if (v == verb::errno_) continue;
        if (next == count) {
            fail(problem::no_argument, v);
            return;
        }
        if (!fits(kinds[next], v)) {
            fail(problem::mismatch, v);
            return;
        }
        ++next;
    }
    if (next < count) report_argument(next + 1, text, std::make_index_sequence<kMaxArguments>{});
}

}  // namespace detail

// A template checked against the types of its arguments while compiling.
template <class... Args>
class kvfmt_string {
  public:
    consteval kvfmt_string(const char *text) : text_(text) { detail::check_kvfmt<Args...>(text); }
    constexpr const char *c_str() const noexcept { return text_; }

  private:
    const char *text_;
};

#else

// Under C++17 a template is taken as it is.
template <class... Args>
class kvfmt_string {
  public:
    constexpr kvfmt_string(const char *text) noexcept : text_(text) {}
    constexpr const char *c_str() const noexcept { return text_; }

  private:
    const char *text_;
};

#endif

// The template parameter of the f-calls: checked against the call's own
// argument types, which are deduced from the arguments alone.
template <class... Args>
using kvfmt = kvfmt_string<typename detail::type_identity<Args>::type...>;

// A log message: a C string or a std::string (its c_str()).
class message {
  public:
    message(const char *text) noexcept : text_(text) {}
    message(const std::string &text) noexcept : text_(text.c_str()) {}
    const char *c_str() const noexcept { return text_; }

  private:
    const char *text_;
};

// A logger handle, destroyed when it goes out of scope. Move-only. An empty
// logger (moved from, released, or a failed creation) ignores every call,
// as the C functions do with a NULL handle; fatal and panic still end the
// process.
class logger {
  public:
    // A logger with the default configuration: console lines on stdout.
    logger() noexcept : handle_(tevra_new(nullptr)) {}
    explicit logger(const tevra_config &config) noexcept : handle_(tevra_new(&config)) {}
    // Adopts a handle, which the logger then destroys.
    explicit logger(tevra_logger *handle) noexcept : handle_(handle) {}
    // LOG_* (or prefix + LEVEL, ...) variables laid over `base`.
    static logger from_env(const char *prefix = nullptr, const tevra_config *base = nullptr) noexcept {
        return logger(tevra_new_from_env(prefix, base));
    }

    logger(logger &&other) noexcept : handle_(other.release()) {}
    logger &operator=(logger &&other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    logger(const logger &) = delete;
    logger &operator=(const logger &) = delete;
    ~logger() { reset(nullptr); }

    tevra_logger *get() const noexcept { return handle_; }
    // Gives up the handle without destroying it.
    tevra_logger *release() noexcept { return std::exchange(handle_, nullptr); }
    // Closes the owned output for the whole logger tree (tevra_close).
    int close() noexcept { return tevra_close(handle_); }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    // --- field calls ---
    void log(level lvl, message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_fields(handle_, static_cast<int>(lvl), msg.c_str(), detail::records(fields), fields.size());
    }
    void trace(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_trace(handle_, msg.c_str(), detail::records(fields), fields.size());
    }
    void debug(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_debug(handle_, msg.c_str(), detail::records(fields), fields.size());
    }
    void info(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_info(handle_, msg.c_str(), detail::records(fields), fields.size());
    }
    void warn(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_warn(handle_, msg.c_str(), detail::records(fields), fields.size());
    }
    void error(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_error(handle_, msg.c_str(), detail::records(fields), fields.size());
    }
    [[noreturn]] void fatal(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_fatal(handle_, msg.c_str(), detail::records(fields), fields.size());
        std::exit(1);  // reached only without a handle
    }
    [[noreturn]] void panic(message msg, std::initializer_list<field> fields = {}) const noexcept {
        tevra_panic(handle_, msg.c_str(), detail::records(fields), fields.size());
        std::abort();  // reached only without a handle
    }

    // --- template calls ---
    template <class... Args>
    void logf(level lvl, message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        // Through the handle's slot: the generic C entry point is named
        // `tevra`, which code with a namespace of that name cannot see.
        if (handle_ != nullptr) {
            handle_->logf(handle_, static_cast<int>(lvl), msg.c_str(), fmt.c_str(),
                          detail::pass(std::forward<Args>(args))...);
        }
    }
    template <class... Args>
    void tracef(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_tracef(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
    }
    template <class... Args>
    void debugf(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_debugf(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
    }
    template <class... Args>
    void infof(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_infof(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
    }
    template <class... Args>
    void warnf(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_warnf(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
    }
    template <class... Args>
    void errorf(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_errorf(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
    }
    template <class... Args>
    [[noreturn]] void fatalf(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_fatalf(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
        std::exit(1);
    }
    template <class... Args>
    [[noreturn]] void panicf(message msg, kvfmt<Args...> fmt, Args &&...args) const noexcept {
        tevra_panicf(handle_, msg.c_str(), fmt.c_str(), detail::pass(std::forward<Args>(args))...);
        std::abort();
    }

    // --- derivation: each returns a new logger, empty when it failed ---
    logger with(std::initializer_list<field> fields) const noexcept {
        return logger(tevra_with(handle_, detail::records(fields), fields.size()));
    }
    template <class... Args>
    logger withf(kvfmt<Args...> fmt, Args &&...args) const noexcept {
        return logger(tevra_withf(handle_, fmt.c_str(), detail::pass(std::forward<Args>(args))...));
    }
    logger with_level(level lvl) const noexcept {
        return logger(tevra_with_level(handle_, static_cast<int>(lvl)));
    }
    logger with_level_field() const noexcept { return logger(tevra_with_level_field(handle_)); }

  private:
    void reset(tevra_logger *handle) noexcept {
        tevra_logger *old = std::exchange(handle_, handle);
        if (old != nullptr) old->destroy(old);
    }

    tevra_logger *handle_;
};

}  // namespace tvr

#endif  // TEVRA_HPP
