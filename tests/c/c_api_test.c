/* A plain C99 program that uses the library only through <tevra.h>: builds
 * a logger on its own sink, logs through exported functions and handle
 * slots, derives a logger and checks the exact lines. */
#include <tevra.h>

#include <stdio.h>
#include <string.h>

#include "capture.h"

/* The typed field macros need _Generic, so C99 does not see them. */
#ifdef TEVRA_KV
#error "TEVRA_KV is visible in C99"
#endif

static int failures;

static void expect_text(const struct capture *c, const char *want, const char *what) {
    if (strcmp(c->text, want) != 0) {
        fprintf(stderr, "%s:\n  got:  %s\n  want: %s\n", what, c->text, want);
        failures++;
    }
}

int main(void) {
    struct capture cap;
    tevra_config cfg;
    tevra_logger *log;
    tevra_logger *child;
    tevra_field fields[3];

    memset(&cap, 0, sizeof cap);
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.color = TEVRA_COLOR_NEVER;
    cfg.timestamps = 0;
    cfg.output.write = capture_write;
    cfg.output.close = capture_close;
    cfg.output.isatty = NULL;
    cfg.output.user_data = &cap;
    cfg.output.owns = 1;

    log = tevra_new(&cfg);
    if (log == NULL) {
        fprintf(stderr, "tevra_new failed\n");
        return 1;
    }

    fields[0] = tevra_i64("port", 8080);
    fields[1] = tevra_bool("tls", 0);
    fields[2] = tevra_str("who", "a\"b");
    tevra_info(log, "listening", fields, 3);
    log->warn(log, "slot", NULL, 0);
    tevra_debug(log, NULL, NULL, 0);
    expect_text(&cap,
                "{\"lvl\":\"info\",\"msg\":\"listening\",\"port\":8080,\"tls\":false,\"who\":\"a\\\"b\"}\n"
                "{\"lvl\":\"warn\",\"msg\":\"slot\"}\n"
                "{\"lvl\":\"debug\"}\n",
                "field calls");

    cap.len = 0;
    cap.text[0] = '\0';
    tevra_infof(log, "login", "user=%s n=%d ok=%b", "ann", 3, 1);
    expect_text(&cap, "{\"lvl\":\"info\",\"msg\":\"login\",\"user\":\"ann\",\"n\":3,\"ok\":true}\n",
                "template call");

    cap.len = 0;
    cap.text[0] = '\0';
    fields[0] = tevra_str("service", "api");
    child = tevra_with(log, fields, 1);
    if (child == NULL) {
        fprintf(stderr, "tevra_with failed\n");
        return 1;
    }
    tevra_error(child, "boom", NULL, 0);
    expect_text(&cap, "{\"lvl\":\"error\",\"msg\":\"boom\",\"service\":\"api\"}\n", "derived logger");

    /* Closing a derived logger closes nothing; the root closes once. */
    if (tevra_close(child) != 0 || cap.closes != 0) failures++;
    if (tevra_close(log) != 0 || tevra_close(log) != 0 || cap.closes != 1) failures++;
    child->destroy(child);
    log->destroy(log);

    /* NULL handles are harmless. */
    tevra_info(NULL, "x", NULL, 0);
    tevra_fatal(NULL, "x", NULL, 0);
    if (tevra_close(NULL) != 0 || tevra_with(NULL, NULL, 0) != NULL) failures++;

    if (strcmp(tevra_level_string(127), "disabled") != 0) failures++;
    if (failures != 0) {
        fprintf(stderr, "%d failure(s)\n", failures);
        return 1;
    }
    return 0;
}
