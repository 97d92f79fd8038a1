#!/usr/bin/env bash
# cpack -G DEB builds libtevra0, libtevra-dev and tevra-tools with the files
# and dependencies each should have, lintian finds no error in them, and
# the packaged programs run.
# Usage: check_packages.sh BUILD_DIR VERSION
set -euo pipefail
build_dir=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/deps.sh installs it" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build_dir" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }

failures=0
fail() { echo "$*"; failures=$((failures + 1)); }

# expect_files PACKAGE FILE...: the package holds exactly these files and links.
expect_files() {
  local package=$1 deb
  shift
  deb=$(echo "$work/${package}_${version}"-*.deb)
  [ -f "$deb" ] || { fail "$package: no package built"; return; }
  local got want
  got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort)
  want=$(printf '%s\n' "$@" /usr/share/doc/"$package"/copyright /usr/share/doc/"$package"/changelog.Debian.gz | sort)
  [ "$got" = "$want" ] || fail "$package holds:"$'\n'"$got"$'\n'"instead of:"$'\n'"$want"
}

# expect_field PACKAGE FIELD PATTERN: the control field matches the pattern.
expect_field() {
  local value
  value=$(dpkg-deb -f "$(echo "$work/${1}_${version}"-*.deb)" "$2")
  [[ "$value" =~ $3 ]] || fail "$1: $2 is '$value'"
}

libdir=$(dpkg-deb -c "$(echo "$work"/libtevra0_*.deb)" | awk '{print $6}' | grep 'libtevra.so.0$' | sed 's|^\./||; s|/libtevra.so.0$||')
expect_files libtevra0 "/$libdir/libtevra.so.0" "/$libdir/libtevra.so.$version"
expect_files libtevra-dev /usr/include/tevra.h /usr/include/tevra.hpp "/$libdir/libtevra.so" "/$libdir/pkgconfig/tevra.pc" \
  "/$libdir/cmake/tevra/tevraConfig.cmake" "/$libdir/cmake/tevra/tevraConfigVersion.cmake" \
  "/$libdir/cmake/tevra/tevraTargets.cmake" $(cd "$build_dir" && ls CMakeFiles/Export/*/tevraTargets-*.cmake 2>/dev/null |
  sed "s|.*/|/$libdir/cmake/tevra/|") /usr/share/man/man3/tevra.3.gz
expect_files tevra-tools /usr/bin/tevra-pretty /usr/bin/tevra-log /usr/share/man/man1/tevra-pretty.1.gz \
  /usr/share/man/man1/tevra-log.1.gz /usr/share/man/man7/tevra-env.7.gz \
  /usr/share/tevra/lnav/tevra_console.json /usr/share/tevra/lnav/tevra_json.json

expect_field libtevra0 Section '^libs$'
expect_field libtevra0 Depends '^libc6 \(>= [0-9.]+\)$'
expect_field libtevra-dev Section '^libdevel$'
expect_field libtevra-dev Depends '^libtevra0 \(= [^)]+\)$'
expect_field tevra-tools Section '^utils$'
expect_field tevra-tools Depends '^libtevra0 \(= [^)]+\), .*libc6 .*libstdc\+\+6'
dpkg-deb --ctrl-tarfile "$(echo "$work"/libtevra0_*.deb)" | tar -xO ./shlibs ./triggers >"$work/control" 2>/dev/null ||
  fail "libtevra0: no shlibs or triggers file"
grep -q '^libtevra 0 libtevra0 ' "$work/control" || fail "libtevra0: shlibs says: $(cat "$work/control")"
grep -q '^activate-noawait ldconfig$' "$work/control" || fail "libtevra0: no ldconfig trigger"

# The packaged (stripped) programs work against the packaged library.
mkdir "$work/root"
for deb in "$work"/*.deb; do dpkg-deb -x "$deb" "$work/root"; done
export LD_LIBRARY_PATH="$work/root/$libdir"
out=$(LOG_DISABLE_TIMESTAMP=1 LOG_MODE=json "$work/root/usr/bin/tevra-log" -l warn packaged n:=1 |
  "$work/root/usr/bin/tevra-pretty" --color never 2>&1) || true
[ "$out" = "WRN packaged n=1" ] || fail "packaged programs printed '$out'"

if ! lintian --fail-on error --tag-display-limit 0 "$work"/*.deb >"$work/lintian.log" 2>&1; then
  fail "lintian reports errors:"$'\n'"$(grep -v 'root privileges' "$work/lintian.log")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "libtevra0, libtevra-dev and tevra-tools hold their files; lintian reports no error"
