// The public header must compile cleanly as C++.
#include <tevra.h>

static_assert(sizeof(tevra_field) > 0, "tevra.h compiles as C++");

// C++ has tevra.hpp; the C11 field macros stay hidden.
#if defined(TEVRA_KV) || defined(TEVRA_INFO)
#error "the C11 field macros are visible in C++"
#endif
