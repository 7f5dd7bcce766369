#!/bin/sh
# Runs a test with a secret store of its own: gnome-keyring on the session
# bus that dbus-run-session made, its login keyring created and unlocked in a
# temporary folder (PAYVANE_KEYRING_DIR). The daemon ends with the bus.
set -eu
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -m 700 "$folder/runtime"
export XDG_RUNTIME_DIR="$folder/runtime" XDG_DATA_HOME="$folder/data"
export PAYVANE_KEYRING_DIR="$folder/data"
printf 'keyring password' | HOME="$folder" gnome-keyring-daemon --unlock --components=secrets >/dev/null
"$@"
