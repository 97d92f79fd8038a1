// The public header must compile cleanly as C++.
#include <tevra.h>

static_assert(sizeof(tevra_field) > 0, "tevra.h compiles as C++");
