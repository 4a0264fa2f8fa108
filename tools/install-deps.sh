#!/usr/bin/env bash
# Installs the Debian packages that the named groups need, when any is missing; each make target
# names its own (see the Makefile). Without a group: all of them.
# Idempotent: a machine that has everything runs no apt command at all.
# Usage: install-deps.sh [GROUP...]   groups: programs test lint fuzz bench screenshots package
set -euo pipefail

declare -A groups=(
  # Building and running the two programs (make programs, make demo).
  [programs]="cmake ninja-build g++ pkg-config qt6-base-dev libqt6sql6-sqlite libxcb1-dev
    libpugixml-dev libsqlite3-dev libicu-dev qt6-translations-l10n python3
    libqt6gui6 libqt6dbus6"  # Qt's AT-SPI bridge is part of Qt Gui and speaks D-Bus
  # The test suite: its libraries, the ODBC roads, the package test's tools, the time zone the tests
  # run in (Europe/Berlin), strace (the order of a save's flushes and renames), and real input and a
  # screen reader's view of the windows on a virtual X display.
  [test]="libgtest-dev libgmock-dev sqlite3 libqt6sql6-odbc unixodbc unixodbc-dev libsqliteodbc tdsodbc
    dpkg-dev file tzdata strace xvfb xauth xdotool dbus at-spi2-core python3-pyatspi"
  [lint]="clang-format clang-tidy"
  [fuzz]="clang libclang-rt-14-dev"
  [bench]="libbenchmark-dev"
  [screenshots]="xvfb xauth"
  # The Debian package: dpkg-shlibdeps (dpkg-dev) and file for its dependencies, lintian to check it.
  [package]="dpkg-dev file lintian"
)

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=(programs test lint fuzz bench screenshots package)
packages=()
for group in "${wanted[@]}"; do
  [ -n "${groups[$group]+set}" ] || { echo "install-deps: no group '$group' (groups: ${!groups[*]})" >&2; exit 2; }
  read -r -d '' -a listed <<<"${groups[$group]}" || true  # the list spans lines
  packages+=("${listed[@]}")
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# A package named by two groups is installed once.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
# Through env: sudo would drop the variable, and tzdata would then ask for the zone.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
