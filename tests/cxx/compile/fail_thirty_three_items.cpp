// One item past the limit of 32.
#include <tevra.hpp>

#include <string_view>

// expect-call: item_is_invalid 33
// expect-text: i33=%m
void log_it(const tvr::logger &log) {
    log.infof("x", "i1=%m i2=%m i3=%m i4=%m i5=%m i6=%m i7=%m i8=%m i9=%m i10=%m i11=%m i12=%m i13=%m i14=%m i15=%m i16=%m i17=%m i18=%m i19=%m i20=%m i21=%m i22=%m i23=%m i24=%m i25=%m i26=%m i27=%m i28=%m i29=%m i30=%m i31=%m i32=%m i33=%m");
}
