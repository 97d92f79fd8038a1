// Built outside the tree against an installed copy, through tevra.hpp.
#include <tevra.hpp>

int main() {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.timestamps = 0;
    tvr::logger log(cfg);
    if (!log) return 1;
    log.info("installed", {{"ok", true}});
    return 0;
}
