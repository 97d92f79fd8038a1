/* The C11 typed field macros, through <tevra.h> alone: each TEVRA_* call
 * writes exactly the bytes of the field call it stands for, in JSON and in
 * console lines, and TEVRA_KV picks the constructor by the value's type. */
#include <tevra.h>

#include <stdbool.h>
#include <stdio.h>
#include <string.h>

#include "capture.h"

static tevra_logger *capture_logger(struct capture *c, int mode) {
    tevra_config cfg;
    memset(c, 0, sizeof *c);
    tevra_default_config(&cfg);
    cfg.mode = mode;
    cfg.color = TEVRA_COLOR_NEVER;
    cfg.timestamps = 0;
    cfg.level = TEVRA_LEVEL_TRACE;
    cfg.output.write = capture_write;
    cfg.output.close = capture_close;
    cfg.output.isatty = NULL;
    cfg.output.user_data = c;
    cfg.output.owns = 0;
    return tevra_new(&cfg);
}

static int failures;

static void expect(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        failures++;
    }
}

static void same_lines(int mode) {
    struct capture by_macro;
    struct capture by_call;
    tevra_logger *m = capture_logger(&by_macro, mode);
    tevra_logger *c = capture_logger(&by_call, mode);

    char name[] = "ann lee";
    const char *team = "core";
    signed char sc = -3;
    short s = -300;
    int i = -70000;
    long l = -5000000000L;
    long long ll = -6000000000LL;
    unsigned char uc = 200;
    unsigned short us = 60000;
    unsigned u = 4000000000u;
    unsigned long ul = 18000000000000000000ul;
    unsigned long long ull = 17000000000000000000ull;
    float f = 0.5f;
    double d = 0.1;
    bool flag = true;
    void *p = &i;
    const void *cp = &d;
    tevra_time t = {1700000000, 250000000, 60};
    tevra_duration du = {1, 500000000};
    tevra_field all[19];

    TEVRA_INFO(m, "all", TEVRA_KV("name", name), TEVRA_KV("team", team), TEVRA_KV("sc", sc),
               TEVRA_KV("s", s), TEVRA_KV("i", i), TEVRA_KV("l", l), TEVRA_KV("ll", ll),
               TEVRA_KV("uc", uc), TEVRA_KV("us", us), TEVRA_KV("u", u), TEVRA_KV("ul", ul),
               TEVRA_KV("ull", ull), TEVRA_KV("f", f), TEVRA_KV("d", d), TEVRA_KV("flag", flag),
               TEVRA_KV("p", p), TEVRA_KV("cp", cp), TEVRA_KV("t", t), TEVRA_KV("du", du));
    all[0] = tevra_str("name", name);
    all[1] = tevra_str("team", team);
    all[2] = tevra_i64("sc", sc);
    all[3] = tevra_i64("s", s);
    all[4] = tevra_i64("i", i);
    all[5] = tevra_i64("l", l);
    all[6] = tevra_i64("ll", ll);
    all[7] = tevra_u64("uc", uc);
    all[8] = tevra_u64("us", us);
    all[9] = tevra_u64("u", u);
    all[10] = tevra_u64("ul", ul);
    all[11] = tevra_u64("ull", ull);
    all[12] = tevra_f64("f", f);
    all[13] = tevra_f64("d", d);
    all[14] = tevra_bool("flag", flag);
    all[15] = tevra_ptr("p", p);
    all[16] = tevra_ptr("cp", cp);
    all[17] = tevra_time_field("t", t);
    all[18] = tevra_duration_field("du", du);
    tevra_info(c, "all", all, 19);

    /* Every level macro, with and without fields. */
    TEVRA_TRACE(m, "trace");
    tevra_trace(c, "trace", NULL, 0);
    TEVRA_DEBUG(m, "debug", TEVRA_KV("n", 1));
    all[0] = tevra_i64("n", 1);
    tevra_debug(c, "debug", all, 1);
    TEVRA_WARN(m, "warn");
    tevra_warn(c, "warn", NULL, 0);
    TEVRA_ERROR(m, "error", TEVRA_KV("literal", "text"), TEVRA_KV("ratio", 2.5));
    all[0] = tevra_str("literal", "text");
    all[1] = tevra_f64("ratio", 2.5);
    tevra_error(c, "error", all, 2);
    TEVRA_LOG(m, TEVRA_LEVEL_NOLEVEL, "bare");
    tevra_fields(c, TEVRA_LEVEL_NOLEVEL, "bare", NULL, 0);
    TEVRA_LOG(m, TEVRA_LEVEL_WARN, "level", TEVRA_KV("n", 2u));
    all[0] = tevra_u64("n", 2u);
    tevra_fields(c, TEVRA_LEVEL_WARN, "level", all, 1);

    expect(by_call.len > 0 && strcmp(by_macro.text, by_call.text) == 0, "macro lines equal call lines");
    if (strcmp(by_macro.text, by_call.text) != 0) {
        fprintf(stderr, "macros:\n%s\ncalls:\n%s\n", by_macro.text, by_call.text);
    }
    m->destroy(m);
    c->destroy(c);
}

int main(void) {
    int n = 0;
    int k = 5;
    struct capture cap;
    tevra_logger *log;

    same_lines(TEVRA_MODE_JSON);
    same_lines(TEVRA_MODE_CONSOLE);

    /* The constructor follows the type, never the value. */
    expect(TEVRA_KV("k", (short)1).kind == TEVRA_FIELD_INT64, "short is int64");
    expect(TEVRA_KV("k", 1u).kind == TEVRA_FIELD_UINT64, "unsigned is uint64");
    expect(TEVRA_KV("k", 1.0f).kind == TEVRA_FIELD_FLOAT64, "float is float64");
    expect(TEVRA_KV("k", (_Bool)1).kind == TEVRA_FIELD_BOOL, "_Bool is bool");
    expect(TEVRA_KV("k", (void *)0).kind == TEVRA_FIELD_POINTER, "void * is pointer");
    expect(TEVRA_KV("k", "s").kind == TEVRA_FIELD_STRING, "a literal is a string");

    /* The value is evaluated once. */
    log = capture_logger(&cap, TEVRA_MODE_JSON);
    TEVRA_INFO(log, "once", TEVRA_KV("n", n++), TEVRA_KV("k", k++));
    expect(n == 1 && k == 6, "each value evaluated once");
    expect(strcmp(cap.text, "{\"lvl\":\"info\",\"msg\":\"once\",\"n\":0,\"k\":5}\n") == 0, "values");
    log->destroy(log);

    /* Without a handle fatal and panic return, as their calls do. */
    TEVRA_FATAL(NULL, "no handle", TEVRA_KV("n", 1));
    TEVRA_PANIC(NULL, "no handle");

    if (failures != 0) {
        fprintf(stderr, "%d failure(s)\n", failures);
        return 1;
    }
    return 0;
}
