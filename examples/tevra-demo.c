/* tevra-demo: a short tour of the library.
 *
 * It logs a small request log twice, as JSON lines and as console lines,
 * then shows one sample line in each of the 32 built-in palettes. Every
 * logger is created with tevra_new_from_env, so the LOG_* variables apply:
 *
 *   LOG_MODE=json LOG_OUTPUT=stderr+/tmp/x.log ./tevra-demo
 *
 * Colour follows the terminal; --color forces it, --no-color turns it off.
 */
#include <tevra.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

static int color_policy = TEVRA_COLOR_AUTO;

static tevra_logger *demo_logger(int mode) {
    tevra_config base;
    tevra_default_config(&base);
    base.mode = mode;
    base.color = color_policy;
    return tevra_new_from_env(NULL, &base);
}

static void request_log(tevra_logger *log) {
    const unsigned char digest[] = {0xde, 0xad, 0xbe, 0xef};
    tevra_time started = {1700000000, 250000000, 60};
    tevra_duration took = {0, 18500000};
    tevra_field bound[2];
    tevra_field fields[8];
    tevra_logger *req;

    bound[0] = tevra_str("service", "checkout");
    bound[1] = tevra_str("request_id", "7f3a9c");
    req = tevra_with(log, bound, 2);
    if (req == NULL) return;

    fields[0] = tevra_str("method", "GET");
    fields[1] = tevra_str("path", "/cart/items");
    fields[2] = tevra_i64("status", 200);
    fields[3] = tevra_bool("cached", 1);
    fields[4] = tevra_f64("ratio", 0.75);
    fields[5] = tevra_duration_field("took", took);
    fields[6] = tevra_time_field("started", started);
    fields[7] = tevra_bytes_field("etag", digest, sizeof digest);
    tevra_info(req, "request done", fields, 8);

    fields[0] = tevra_str("path", "/cart/checkout now");
    fields[1] = tevra_i64("retries", 3);
    fields[2] = tevra_errno("err", ETIMEDOUT);
    tevra_warn(req, "upstream slow", fields, 3);

    errno = ENOENT;
    tevra_errorf(req, "template lookup failed", "file=%s line=%d err=%m", "cart.tmpl", 42);
    tevra_debugf(req, "cache stats", "hits=%lu misses=%lu rate=%f", 981UL, 19UL, 0.981);
    req->destroy(req);
}

static void palette_tour(void) {
    unsigned i;
    tevra_field fields[3];
    fields[0] = tevra_str("user", "alice");
    fields[1] = tevra_i64("status", 200);
    fields[2] = tevra_bool("ok", 1);
    for (i = 0; i < tevra_palette_count(); ++i) {
        tevra_config cfg;
        tevra_logger *log;
        tevra_default_config(&cfg);
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.timestamps = 0;
        cfg.palette = tevra_palette_by_name(tevra_palette_name(i));
        log = tevra_new(&cfg);
        if (log == NULL) continue;
        printf("%-20s ", tevra_palette_name(i));
        fflush(stdout);
        tevra_info(log, "request done", fields, 3);
        log->destroy(log);
    }
}

int main(int argc, char **argv) {
    int i;
    tevra_logger *log;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--color") == 0) color_policy = TEVRA_COLOR_ALWAYS;
        else if (strcmp(argv[i], "--no-color") == 0) color_policy = TEVRA_COLOR_NEVER;
        else {
            fprintf(stderr, "usage: %s [--color|--no-color]\n", argv[0]);
            return 2;
        }
    }

    log = demo_logger(TEVRA_MODE_JSON);
    if (log == NULL) return 1;
    request_log(log);
    log->destroy(log);

    log = demo_logger(TEVRA_MODE_CONSOLE);
    if (log == NULL) return 1;
    request_log(log);
    log->destroy(log);

    if (color_policy == TEVRA_COLOR_ALWAYS ||
        (color_policy == TEVRA_COLOR_AUTO && tevra_file_isatty(stdout))) {
        printf("\nThe same line in each built-in palette (LOG_PALETTE=<name> picks one):\n");
        palette_tour();
    } else {
        printf("\n(run with --color to see a sample line in each of the %u palettes)\n",
               (unsigned)tevra_palette_count());
    }
    return 0;
}
