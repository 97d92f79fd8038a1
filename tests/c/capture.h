/* An in-memory sink for the plain C tests: every write is appended to a
 * NUL-terminated text, and closes are counted. */
#ifndef TEVRA_TEST_C_CAPTURE_H
#define TEVRA_TEST_C_CAPTURE_H

#include <stddef.h>
#include <string.h>

struct capture {
    char text[16384];
    size_t len;
    int closes;
};

static int capture_write(void *user, const void *data, size_t len, size_t *written) {
    struct capture *c = (struct capture *)user;
    if (c->len + len >= sizeof c->text) return 28;
    memcpy(c->text + c->len, data, len);
    c->len += len;
    c->text[c->len] = '\0';
    if (written) *written = len;
    return 0;
}

static int capture_close(void *user) {
    ((struct capture *)user)->closes++;
    return 0;
}

#endif
