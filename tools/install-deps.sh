#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, when any is missing.
# Idempotent: a machine that has everything runs no apt command at all.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc libxcb1-dev
  libpugixml-dev libsqlite3-dev sqlite3 libicu-dev
  unixodbc unixodbc-dev libsqliteodbc tdsodbc
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-translations-l10n xvfb xauth python3
  dpkg-dev file lintian  # the Debian package: its dependencies and its check
  tzdata  # the tests run in the zone Europe/Berlin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
