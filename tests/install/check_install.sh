#!/usr/bin/env bash
# Installs the built library into a scratch prefix and builds a program
# against it twice: with pkg-config and with find_package(tevra).
set -euo pipefail
build_dir="$1"
source_dir="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
libdir=$(find "$work/prefix" -name 'libtevra.so.0' -printf '%h\n' | head -n 1)
test -L "$libdir/libtevra.so" && test -L "$libdir/libtevra.so.0" && test -f "$libdir/libtevra.so.0.1.0"
test -f "$work/prefix/include/tevra.h"
test -f "$work/prefix/include/tevra.hpp"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$source_dir/consumer/consumer.c" \
  $(pkg-config --cflags --libs tevra) -o "$work/pc-consumer"
out=$(LD_LIBRARY_PATH="$libdir" "$work/pc-consumer")
[ "$out" = '{"lvl":"info","msg":"installed","ok":true}' ] || { echo "pkg-config build printed: $out"; exit 1; }

c++ -std=c++17 -Wall -Wextra -Wpedantic -Werror "$source_dir/consumer/consumer.cpp" \
  $(pkg-config --cflags --libs tevra) -o "$work/cxx-consumer"
out=$(LD_LIBRARY_PATH="$libdir" "$work/cxx-consumer")
[ "$out" = '{"lvl":"info","msg":"installed","ok":true}' ] || { echo "C++ build printed: $out"; exit 1; }

cmake -S "$source_dir/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
out=$(LD_LIBRARY_PATH="$libdir" "$work/cmake-build/consumer")
[ "$out" = '{"lvl":"info","msg":"installed","ok":true}' ] || { echo "CMake build printed: $out"; exit 1; }
echo "installed copy builds with pkg-config (C and C++) and find_package"
