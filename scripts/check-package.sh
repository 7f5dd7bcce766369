#!/usr/bin/env bash
# Builds Payvane as a distribution does (Release, no sanitizers, automatic
# update checks off until the user turns them on), installs it into a
# temporary prefix and checks the installed tree; then builds the Debian
# package, checks its contents, runs lintian on it (any error or warning
# fails), installs it with dpkg, starts the installed program and removes the
# package again.
set -euo pipefail
cd "$(dirname "$0")/.."

app_id=example.tervona.Payvane
version=1.0.1.2
# The package's version: the program's and the package's own revision.
package_version=$version-1
build=build/package

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

fail() {
    echo "check-package: $*" >&2
    exit 1
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DPAYVANE_BENCH=OFF -DPAYVANE_WERROR=ON \
    -DPAYVANE_UPDATE_AUTORUN_DEFAULT=OFF
cmake --build "$build"

work=$(mktemp -d)
installed_package=no
cleanup() {
    # A failed check leaves no package behind on this machine.
    if [ "$installed_package" = yes ]; then
        "${sudo[@]}" dpkg --purge payvane >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
libexecdir=$(sed -n 's/^CMAKE_INSTALL_LIBEXECDIR:PATH=//p' "$build/CMakeCache.txt")
# Every file and link the install puts down, relative to the prefix.
expected=(
    bin/Payvane
    "$libdir/payvane/libUpdate.so.1"
    "$libdir/payvane/libUpdate.so.1.0.1.2"
    "$libdir/payvane/libpayvane_desktop.so"
    share/systemd/user/payvane.service
    share/systemd/user/payvane.timer
    "share/applications/$app_id.desktop"
    "share/icons/hicolor/scalable/apps/$app_id.svg"
    "share/metainfo/$app_id.metainfo.xml"
    share/man/man1/Payvane.1.gz
    share/man/man1/Exception.1payvane.gz
    share/doc/payvane/copyright
    share/doc/payvane/changelog.Debian.gz
    share/lintian/overrides/payvane
    "share/payvane/autostart/$app_id.desktop"
)
for size in 16 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
# The error-report program, where this tree builds it: in the package's own
# folder, not in bin, where its plain name could clash.
if ninja -C "$build" -t query Exception >/dev/null 2>&1; then
    expected+=("$libexecdir/payvane/Exception")
fi
expected_list=$(printf '%s\n' "${expected[@]}" | sort)

# Runs the program with a HOME and XDG folders of its own on the offscreen
# platform; prints the exit code. The first argument names the sandbox.
run_sandboxed() {
    local home="$work/home-$1"
    shift
    mkdir -p "$home"/{config,data,cache,runtime}
    chmod 700 "$home/runtime"
    local code=0
    env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home" \
        QT_QPA_PLATFORM=offscreen timeout 60 "$@" >/dev/null 2>"$home/stderr" || code=$?
    echo "$code"
}

# The automatic start with no bills ends at once with 0, and the build's
# default leaves the vendor's server alone (no check was recorded).
check_automatic_start() { # program, sandbox name
    local program=$1 name=$2
    local code
    code=$(run_sandboxed "$name" "$program" auto)
    [ "$code" -eq 0 ] || fail "$program auto ended with $code: $(cat "$work/home-$name/stderr")"
    if grep -qs UpdateLastRun "$work/home-$name/config/Tervona/Payvane.conf"; then
        fail "$program checked for updates although the package turns that off"
    fi
    code=$(run_sandboxed "$name" "$program" auto 3600)
    [ "$code" -eq 0 ] || fail "$program auto 3600 ended with $code"
    grep -q '^LastRun=' "$work/home-$name/config/Tervona/Payvane.conf" ||
        fail "$program auto 3600 recorded no start"
}

# A plain start loads the windows' module and keeps its main window open
# until it is ended; a module not found would end it at once with 1.
check_windows_load() { # program, sandbox name
    local program=$1 name=$2
    local home="$work/home-$name"
    mkdir -p "$home"/{config,data,cache,runtime}
    chmod 700 "$home/runtime"
    local code=0
    env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home" \
        QT_QPA_PLATFORM=offscreen timeout 10 "$program" >/dev/null 2>"$home/stderr" || code=$?
    [ "$code" -eq 124 ] || fail "$program did not keep its main window open (exit code $code): $(cat "$home/stderr")"
}

# The options that print and end need no display.
check_information_options() { # program
    local out
    local no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
    out=$("${no_display[@]}" "$1" --version) || fail "$1 --version failed"
    [ "$out" = "Payvane $version" ] || fail "$1 --version printed '$out'"
    out=$("${no_display[@]}" "$1" -h) || fail "$1 -h failed"
    [[ $out == "Usage: Payvane "* ]] || fail "$1 -h printed no usage"
}

# ---- the installed tree

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix"
actual_list=$(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
if [ "$actual_list" != "$expected_list" ]; then
    diff <(echo "$expected_list") <(echo "$actual_list") >&2 || true
    fail "the installed files differ from the expected list (< expected, > installed)"
fi

desktop-file-validate "$prefix/share/applications/$app_id.desktop" \
    "$prefix/share/payvane/autostart/$app_id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml"
grep -q '<release version="1.0.1.2"' "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the metainfo names no release $version"

# The entries start the installed program, not one from the build tree.
grep -qx "Exec=$prefix/bin/Payvane" "$prefix/share/applications/$app_id.desktop" ||
    fail "the launcher does not start $prefix/bin/Payvane"
grep -qx "Exec=$prefix/bin/Payvane auto" "$prefix/share/payvane/autostart/$app_id.desktop" ||
    fail "the autostart entry does not run $prefix/bin/Payvane auto"
units="$prefix/share/systemd/user"
grep -qx "ExecStart=$prefix/bin/Payvane auto 3600" "$units/payvane.service" ||
    fail "the service does not run $prefix/bin/Payvane auto 3600"
for line in OnCalendar=hourly Persistent=true WantedBy=graphical-session.target \
    PartOf=graphical-session.target; do
    grep -qx "$line" "$units/payvane.timer" || fail "the timer lacks $line"
done
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user verify --man=no \
    "$units/payvane.service" "$units/payvane.timer"

# Icons: the sizes their folders promise, and a drawing for the scalable one.
for size in 16 32 48 64 128 256; do
    file -b "$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png" |
        grep -q "PNG image data, $size x $size" || fail "the ${size}x$size icon has another size"
done
file -b "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg" | grep -q 'SVG' ||
    fail "the scalable icon is no SVG"

# The manual pages format without a warning.
for page in Payvane.1 Exception.1payvane; do
    warnings=$(zcat "$prefix/share/man/man1/$page.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "the manual page $page has warnings: $warnings"
done
# The changelog names the package's version.
changelog_version=$(zcat "$prefix/share/doc/payvane/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version)
[ "$changelog_version" = "$package_version" ] ||
    fail "the changelog's version is $changelog_version, the package's $package_version"

# libUpdate has its SONAME and is found beside the installed program.
readelf -d "$prefix/$libdir/payvane/libUpdate.so.1" | grep -q 'SONAME.*\[libUpdate\.so\.1\]' ||
    fail "libUpdate has no SONAME libUpdate.so.1"
# The program itself needs QtCore and libical's core library (the calendar
# export; the ICU it brings QtCore needs anyway); the windows' module, loaded
# when a start shows something, brings the rest and finds libUpdate beside it.
gui_needed=$(readelf -d "$prefix/bin/Payvane" | grep -E 'NEEDED.*(Qt6(Gui|Widgets|Network|DBus)|libUpdate|libicalss|libicalvcal)' || true)
[ -z "$gui_needed" ] || fail "Payvane itself needs $gui_needed"
module="$prefix/$libdir/payvane/libpayvane_desktop.so"
readelf -d "$module" | grep -q 'RUNPATH.*\[\$ORIGIN\]' || fail "the windows' module has no run path \$ORIGIN"
found=$(ldd "$module" | sed -n 's/^\s*libUpdate\.so\.1 => \(.*\) (0x.*/\1/p')
[ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$prefix/$libdir/payvane/libUpdate.so.1")" ] ||
    fail "the installed windows' module finds libUpdate at '$found', not in the installed tree"

check_information_options "$prefix/bin/Payvane"
check_automatic_start "$prefix/bin/Payvane" prefix
check_windows_load "$prefix/bin/Payvane" prefix-windows
echo "check-package: the installed tree is complete and works"

# ---- the Debian package

rm -f "$build"/payvane_*.deb
(cd "$build" && cpack -G DEB)
deb="$build/payvane_${package_version}_amd64.deb"
[ -f "$deb" ] || fail "cpack made no $deb"

package_list=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./usr/\(.*[^/]\)$|\1|p' | sort)
if [ "$package_list" != "$expected_list" ]; then
    diff <(echo "$expected_list") <(echo "$package_list") >&2 || true
    fail "the package's files differ from the expected list (< expected, > in the package)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 libqt6network6 libqt6core6 qt6-qpa-plugins; do
    [[ $depends == *"$dependency"* ]] || fail "the package does not depend on $dependency: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$package_version" ] || fail "the package's version is not $package_version"

# Debian's checks of a binary package: no error and no warning.
lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings in $deb"

installed_package=yes
"${sudo[@]}" dpkg -i "$deb"
dpkg-query -W -f='${Status}' payvane | grep -q "install ok installed" || fail "dpkg did not install payvane"
# Installed ready to enable, never enabled.
enabled=$(find /etc/xdg/autostart /etc/systemd/user -name '*ayvane*' 2>/dev/null || true)
[ -z "$enabled" ] || fail "the package enabled an automatic start: $enabled"
check_information_options /usr/bin/Payvane
check_automatic_start /usr/bin/Payvane package
check_windows_load /usr/bin/Payvane package-windows

"${sudo[@]}" dpkg -r payvane
for path in /usr/bin/Payvane "/usr/$libdir/payvane" "/usr/$libexecdir/payvane" "/usr/share/applications/$app_id.desktop" \
    /usr/share/systemd/user/payvane.timer /usr/share/payvane; do
    [ ! -e "$path" ] || fail "dpkg -r left $path behind"
done
# The package keeps no configuration; should dpkg hold any back, purge it.
if dpkg-query -W -f='${Status}' payvane 2>/dev/null | grep -q config-files; then
    "${sudo[@]}" dpkg --purge payvane
fi
installed_package=no
status=$(dpkg-query -W -f='${Status}' payvane 2>/dev/null || true)
case $status in
"" | *not-installed) ;;
*) fail "dpkg still knows payvane after the purge: $status" ;;
esac
echo "check-package: $deb builds, installs, runs and is removed cleanly"
