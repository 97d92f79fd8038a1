#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the tools and the demo
# need, only those that are missing, and generates the locale the tests use.
# With the argument `bench` it adds spdlog, which only the benchmark
# comparison uses.
set -euo pipefail
# clang is always needed: the C++ header's compile tests run under it too.
packages=(cmake g++ clang make pkg-config libgtest-dev libbenchmark-dev nlohmann-json3-dev locales
          # the tool tests: lnav formats, a real terminal, manual pages, packages
          lnav tmux groff-base man-db dpkg-dev lintian
          # the output tests: real syslog and journal daemons, logrotate
          rsyslog systemd logrotate)
[ "${TEVRA_WITH_CLANG:-0}" = 1 ] && packages+=(libclang-rt-14-dev)
[ "${1:-}" = bench ] && packages+=(libspdlog-dev)
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# Keyword parsing is tested under a Turkish locale, where 'I' does not
# lower-case to 'i'.
if ! locale -a 2>/dev/null | grep -qix 'tr_TR\.utf-\?8'; then
  echo "generating locale tr_TR.UTF-8"
  $sudo_cmd localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi
