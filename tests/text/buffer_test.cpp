#include <gtest/gtest.h>
#include <pthread.h>
#include <tevra.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/logger.hpp"
#include "support/private_state.hpp"

namespace {

// A sink that records, at every write, whether write_lock was held.
struct LockProbe {
    tevra_shared *shared = nullptr;
    std::vector<size_t> sizes;
    std::vector<bool> locked;
    std::string data;

    static int write(void *user, const void *p, size_t n, size_t *written) {
        auto *self = static_cast<LockProbe *>(user);
        self->sizes.push_back(n);
        self->locked.push_back(tevra_test::is_held(&self->shared->write_lock));
        self->data.append(static_cast<const char *>(p), n);
        if (written) *written = n;
        return 0;
    }
};

// The test logger with its output replaced by a lock probe.
struct ProbeLogger {
    LockProbe probe;
    tevra_test::Logger logger;

    explicit ProbeLogger(size_t buffer_size)
        : logger([this, buffer_size](tevra_config &cfg) {
              cfg.buffer_size = buffer_size;
              cfg.output = tevra_output{&LockProbe::write, nullptr, nullptr, &probe, 0};
          }) {
        probe.shared = shared();
    }
    tevra_shared *shared() { return logger.shared(); }
    bool write_lock_free() { return !tevra_test::is_held(&shared()->write_lock); }
};

TEST(LineBuffer, InitialSizesChooseInlineOrHeapStorage) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    EXPECT_EQ(b.cap, 1024u);
    EXPECT_EQ(b.write_chunk, 1024u);
    EXPECT_EQ(b.data, b.inline_storage);
    tevra_buffer_init(&b, nullptr, 1025);
    EXPECT_EQ(b.cap, 1025u);
    EXPECT_EQ(b.data, b.inline_storage);
    EXPECT_EQ(b.owns_data, 0);
    tevra_buffer_init(&b, nullptr, 1026);
    EXPECT_EQ(b.cap, 1026u);
    EXPECT_NE(b.data, b.inline_storage);
    EXPECT_EQ(b.owns_data, 1);
    EXPECT_EQ(b.data[0], '\0');
    tevra_buffer_destroy(&b);
    EXPECT_EQ(b.data, b.inline_storage);
    EXPECT_EQ(b.cap, 1025u);
    EXPECT_EQ(tevra_buffer_init(nullptr, nullptr, 0), nullptr);
    // A size with no room for the NUL falls back to the inline area.
    tevra_buffer_init(&b, nullptr, ~size_t{0});
    EXPECT_EQ(b.data, b.inline_storage);
    EXPECT_EQ(b.cap, 1025u);
    tevra_buffer_append_cstr(&b, "still works");
    EXPECT_STREQ(b.data, "still works");
    tevra_buffer_destroy(&b);
}

// A bound buffer above the inline area hands its block back to the logger
// at the end of the line, and the next line of that size takes it again;
// a block of any other size is never kept for the logger's lines.
TEST(LineBuffer, LargeLineBlockIsReusedByTheNextLine) {
    ProbeLogger l(65536);
    auto one_line = [&](size_t size, const char *text) {
        tevra_buffer b;
        tevra_buffer_init(&b, l.shared(), size);
        const char *block = b.data;
        tevra_buffer_append_cstr(&b, text);
        tevra_buffer_finish_line(&b);
        tevra_write_buffer(l.shared(), &b);
        tevra_buffer_destroy(&b);
        return block;
    };
    const char *first = one_line(65536, "one");
    EXPECT_EQ(one_line(65536, "two"), first);
    const char *other = one_line(2048, "three");
    EXPECT_NE(other, first);

    tevra_buffer held, fresh;
    tevra_buffer_init(&held, l.shared(), 65536);
    tevra_buffer_init(&fresh, l.shared(), 65536);
    EXPECT_EQ(held.data, first);
    EXPECT_NE(fresh.data, first);
    std::memset(fresh.data, 'x', fresh.cap + 1);  // the whole block is there
    tevra_buffer_destroy(&fresh);
    tevra_buffer_destroy(&held);
    EXPECT_EQ(l.probe.data, "one\ntwo\nthree\n");
}

TEST(LineBuffer, DetachedBufferGrowsByDoublingAndKeepsEverything) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 4);
    tevra_buffer_append_cstr(&b, "0123456789");
    EXPECT_EQ(b.cap, 16u);
    EXPECT_STREQ(b.data, "0123456789");
    EXPECT_EQ(b.len, 10u);
    tevra_buffer_destroy(&b);
}

TEST(LineBuffer, ReserveDoublesUntilTheNeedIsMet) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 100);
    tevra_buffer_append_cstr(&b, "kept");
    EXPECT_EQ(tevra_buffer_reserve(&b, 1000), 0);
    EXPECT_EQ(b.cap, 1600u);
    EXPECT_STREQ(b.data, "kept");
    EXPECT_EQ(tevra_buffer_reserve(&b, 10), 0);
    EXPECT_EQ(b.cap, 1600u);
    EXPECT_EQ(tevra_buffer_reserve(nullptr, 10), -1);
    tevra_buffer_destroy(&b);
}

TEST(LineBuffer, BoundBufferFlushesFullPiecesAndHoldsWriteLockUntilTheLineEnds) {
    ProbeLogger p(16);
    tevra_buffer b;
    tevra_buffer_init(&b, p.shared(), p.shared()->buffer_size);
    ASSERT_EQ(b.cap, 16u);
    std::string text(40, 'x');
    for (int i = 0; i < 40; ++i) text[i] = static_cast<char>('a' + i % 26);
    tevra_buffer_append_n(&b, text.data(), text.size());
    EXPECT_EQ(p.probe.sizes, (std::vector<size_t>{16, 16}));
    EXPECT_EQ(b.lock_held, 1);
    EXPECT_FALSE(p.write_lock_free());
    tevra_buffer_append_cstr(&b, "!");
    tevra_buffer_finish_line(&b);
    tevra_write_buffer(p.shared(), &b);
    EXPECT_EQ(p.probe.sizes, (std::vector<size_t>{16, 16, 10}));
    EXPECT_EQ(p.probe.locked, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(p.probe.data, text + "!\n");
    EXPECT_EQ(b.lock_held, 0);
    EXPECT_TRUE(p.write_lock_free());
    tevra_buffer_destroy(&b);
}

TEST(LineBuffer, DestroyingALineAbandonedAfterAFlushReleasesTheWriteLock) {
    ProbeLogger p(16);
    tevra_buffer b;
    tevra_buffer_init(&b, p.shared(), p.shared()->buffer_size);
    const std::string text(40, 'x');
    tevra_buffer_append_n(&b, text.data(), text.size());
    ASSERT_EQ(b.lock_held, 1);
    tevra_buffer_destroy(&b);
    EXPECT_TRUE(p.write_lock_free()) << "a later line of the tree must be able to write";
}

TEST(LineBuffer, ShortLineTakesTheLockOnceForItsSingleWrite) {
    ProbeLogger p(1024);
    tevra_buffer b;
    tevra_buffer_init(&b, p.shared(), p.shared()->buffer_size);
    tevra_buffer_append_cstr(&b, "hello");
    EXPECT_TRUE(p.probe.sizes.empty());
    EXPECT_TRUE(p.write_lock_free());
    tevra_buffer_finish_line(&b);
    tevra_write_buffer(p.shared(), &b);
    EXPECT_EQ(p.probe.data, "hello\n");
    EXPECT_EQ(p.probe.locked, (std::vector<bool>{true}));
    EXPECT_TRUE(p.write_lock_free());
}

TEST(LineBuffer, ClosedLoggerDiscardsTextAndReleasesTheLock) {
    tevra_test::Logger l([](tevra_config &cfg) {
        cfg.output.owns = 1;
        cfg.buffer_size = 8;
    });
    tevra_shared *s = l.shared();
    tevra_buffer b;
    tevra_buffer_init(&b, s, s->buffer_size);
    tevra_buffer_append_cstr(&b, "0123456789");  // one mid-line flush, lock held
    ASSERT_EQ(b.lock_held, 1);
    pthread_mutex_unlock(&s->write_lock);  // let close run, as another thread would
    b.lock_held = 0;
    EXPECT_EQ(tevra_close(l.log), 0);
    tevra_buffer_append_cstr(&b, "abcdefghijkl");
    tevra_buffer_finish_line(&b);
    tevra_write_buffer(s, &b);
    EXPECT_EQ(l.sink.text(), "01234567");
    EXPECT_EQ(b.lock_held, 0);
    ASSERT_EQ(pthread_mutex_trylock(&s->write_lock), 0);
    pthread_mutex_unlock(&s->write_lock);
}

TEST(LineBuffer, WriteWithoutSharedRecordEmptiesAndWritesNothing) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_cstr(&b, "abc");
    tevra_write_buffer(nullptr, &b);
    EXPECT_EQ(b.len, 0u);
    EXPECT_STREQ(b.data, "");
}

TEST(LineBuffer, HexOfBytesIsLowercasePairs) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    const unsigned char bytes[] = {0x00, 0xAB, 0xFF};
    tevra_buffer_append_bytes_hex(&b, bytes, 3);
    tevra_buffer_append_bytes_hex(&b, bytes, 0);
    EXPECT_STREQ(b.data, "00abff");
    tevra_buffer_destroy(&b);
}

TEST(LineBuffer, AppendsToNullOrUnusableBuffersAreNoOps) {
    tevra_buffer_append_char(nullptr, 'x');
    tevra_buffer_append_n(nullptr, "x", 1);
    tevra_buffer_append_cstr(nullptr, "x");
    tevra_buffer_append_bytes_hex(nullptr, "x", 1);
    tevra_buffer_flush(nullptr);
    tevra_write_buffer(nullptr, nullptr);
    tevra_buffer_destroy(nullptr);
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_n(&b, nullptr, 3);
    tevra_buffer_append_cstr(&b, nullptr);
    EXPECT_EQ(b.len, 0u);
}

TEST(LineBuffer, OutputWithoutWriteSwallowsFlushedText) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    tevra_logger *log = tevra_new(&cfg);
    tevra_shared *s = tevra_test::shared_of(log);
    s->output.write = nullptr;  // as if the logger had no output at all
    tevra_buffer b;
    tevra_buffer_init(&b, s, 4);
    tevra_buffer_append_cstr(&b, "abcdefgh");
    EXPECT_EQ(b.lock_held, 0);
    EXPECT_LE(b.len, 4u);
    tevra_write_buffer(s, &b);
    log->destroy(log);
}

}  // namespace
