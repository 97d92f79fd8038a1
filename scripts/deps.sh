#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the tools and the demo
# need, only those that are missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev nlohmann-json3-dev
          # the tool tests: lnav formats, a real terminal, manual pages, packages
          lnav tmux groff-base man-db dpkg-dev lintian
          # the output tests: real syslog and journal daemons, logrotate
          rsyslog systemd logrotate)
[ "${TEVRA_WITH_CLANG:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
