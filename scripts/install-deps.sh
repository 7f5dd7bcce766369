#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Payvane need.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-charts-dev libqt6opengl6-dev
    libbenchmark-dev
    faketime xvfb xauth xdotool imagemagick python3 time
    python3-icalendar python3-recurring-ical-events python3-holidays
    qt6-qpa-plugins desktop-file-utils appstream dpkg-dev file binutils groff-base systemd lintian
    pkg-config libical-dev
    dbus dunst openbox x11-utils
    valgrind
    radicale qtkeychain-qt6-dev gnome-keyring
    tzdata
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
