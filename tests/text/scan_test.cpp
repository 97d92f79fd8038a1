// SPDX-License-Identifier: MIT
// The word and vector scans against a byte-by-byte reading of the same
// classes, at every start alignment and length, and at the very end of a
// mapped page, where one byte too many would fault.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

#include "text/scan.hpp"

namespace {

using tev::Stop;

constexpr Stop kClasses[] = {Stop::kJsonTrusted, Stop::kJsonEscape, Stop::kConsoleBare, Stop::kConsoleQuoted,
                             Stop::kConsoleMessage};

size_t byte_by_byte(Stop s, const unsigned char *p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (tev::stops_at(s, p[i])) return i;
    }
    return n;
}

// The scans of one width for a class chosen at run time: sized, then
// NUL-terminated.
template <class Scan>
struct Scans {
    template <Stop S>
    static size_t sized_as(const char *p, size_t n) { return tev::find_stop_n<S, Scan>(p, n); }
    template <Stop S>
    static size_t nul_as(const char *p) { return tev::find_stop<S, Scan>(p); }

    static size_t sized(Stop s, const char *p, size_t n) {
        switch (s) {
            case Stop::kJsonTrusted: return sized_as<Stop::kJsonTrusted>(p, n);
            case Stop::kJsonEscape: return sized_as<Stop::kJsonEscape>(p, n);
            case Stop::kConsoleBare: return sized_as<Stop::kConsoleBare>(p, n);
            case Stop::kConsoleQuoted: return sized_as<Stop::kConsoleQuoted>(p, n);
            case Stop::kConsoleMessage: return sized_as<Stop::kConsoleMessage>(p, n);
        }
        return 0;
    }
    static size_t nul(Stop s, const char *p) {
        switch (s) {
            case Stop::kJsonTrusted: return nul_as<Stop::kJsonTrusted>(p);
            case Stop::kJsonEscape: return nul_as<Stop::kJsonEscape>(p);
            case Stop::kConsoleBare: return nul_as<Stop::kConsoleBare>(p);
            case Stop::kConsoleQuoted: return nul_as<Stop::kConsoleQuoted>(p);
            case Stop::kConsoleMessage: return nul_as<Stop::kConsoleMessage>(p);
        }
        return 0;
    }
};

// Mostly letters, now and then any byte at all, NUL included.
void fill(std::mt19937 &rng, unsigned char *p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = rng() % 8 == 0 ? static_cast<unsigned char>(rng()) : 'a' + rng() % 26;
}

template <class Scan>
void compare_with_bytes(std::mt19937 &rng) {
    alignas(64) unsigned char text[96];
    for (int round = 0; round < 400; ++round) {
        fill(rng, text, sizeof text);
        text[sizeof text - 1] = '\0';
        for (size_t start = 0; start < 16; ++start) {
            for (size_t n = 0; n + start <= 64; ++n) {
                const auto *p = text + start;
                const auto *s = reinterpret_cast<const char *>(p);
                for (Stop c : kClasses) {
                    ASSERT_EQ(Scans<Scan>::sized(c, s, n), byte_by_byte(c, p, n))
                        << "class " << static_cast<int>(c) << " start " << start << " n " << n;
                }
            }
            const auto *p = text + start;
            for (Stop c : kClasses) {
                const size_t nul = std::strlen(reinterpret_cast<const char *>(p));
                const size_t expected = byte_by_byte(c, p, nul);
                ASSERT_EQ(Scans<Scan>::nul(c, reinterpret_cast<const char *>(p)), expected)
                    << "class " << static_cast<int>(c) << " start " << start;
            }
        }
    }
}

TEST(Scan, WordScanFindsTheFirstByteOfEachClass) {
    std::mt19937 rng(7);
    compare_with_bytes<tev::WordScan>(rng);
}

TEST(Scan, NativeScanFindsTheFirstByteOfEachClass) {
    std::mt19937 rng(11);
    compare_with_bytes<tev::NativeScan>(rng);
}

// Every byte value next to every other: a flag must never leak from one
// byte of a word into its neighbour.
TEST(Scan, NoByteValueDisturbsItsNeighbour) {
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 1; b < 256; ++b) {
            unsigned char pair[16] = {};
            std::memset(pair, 'a', 14);
            pair[6] = static_cast<unsigned char>(a);
            pair[7] = static_cast<unsigned char>(b);
            for (Stop c : kClasses) {
                const size_t expected = byte_by_byte(c, pair, 14);
                ASSERT_EQ(Scans<tev::WordScan>::sized(c, reinterpret_cast<const char *>(pair), 14), expected);
                ASSERT_EQ(Scans<tev::NativeScan>::sized(c, reinterpret_cast<const char *>(pair), 14), expected);
            }
        }
    }
}

// Texts that end on the last byte of a page followed by an inaccessible
// one: the sized scan reads nothing past its length, the NUL-terminated
// scan nothing past the block that holds its NUL.
TEST(Scan, ScansStayInsideThePageThatHoldsTheText) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void *map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    auto *base = static_cast<unsigned char *>(map);
    ASSERT_EQ(mprotect(base + page, page, PROT_NONE), 0);
    std::memset(base, 'a', page);
    for (size_t n = 0; n <= 40; ++n) {
        const auto *sized = reinterpret_cast<const char *>(base + page - n);
        for (Stop c : kClasses) {
            EXPECT_EQ(Scans<tev::NativeScan>::sized(c, sized, n), n);
            EXPECT_EQ(Scans<tev::WordScan>::sized(c, sized, n), n);
        }
        base[page - 1] = '\0';
        const auto *text = reinterpret_cast<const char *>(base + page - 1 - n);
        for (Stop c : kClasses) {
            EXPECT_EQ(Scans<tev::NativeScan>::nul(c, text), n);
            EXPECT_EQ(Scans<tev::WordScan>::nul(c, text), n);
        }
        base[page - 1] = 'a';
    }
    munmap(map, 2 * page);
}

}  // namespace
