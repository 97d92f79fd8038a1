/* Built outside the tree against an installed copy of the library. */
#include <tevra.h>

int main(void) {
    tevra_config cfg;
    tevra_logger *log;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.timestamps = 0;
    log = tevra_new(&cfg);
    if (log == NULL) return 1;
    tevra_infof(log, "installed", "ok=%b", 1);
    log->destroy(log);
    return 0;
}
