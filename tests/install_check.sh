#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop reads:
# the desktop entry, the AppStream metainfo, every icon, and that the program
# answers --version and --help without a display.
#   tests/install_check.sh BUILD_DIR
set -euo pipefail
build="${1:?build folder}"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

app=org.quillon.Quillon
desktop="$prefix/share/applications/$app.desktop"
metainfo="$prefix/share/metainfo/$app.metainfo.xml"
fail() { echo "FAILED: $*" >&2; exit 1; }

desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
# Hints are fine; warnings and errors are not (desktop-file-validate exits 0 on warnings).
if desktop-file-validate "$desktop" | grep -E "error|warning"; then fail "desktop entry warnings"; fi
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"

[ -x "$prefix/bin/quillon" ] || fail "no program in bin/"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || fail "no ${size}px icon"
    # The PNG header holds width and height at bytes 16..23.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}px icon is ${w}x${h}"
done
grep -q "<release version=\"$("$prefix/bin/quillon" --version | awk '{print $2}')\"" "$metainfo" \
    || fail "metainfo has no release entry for the program's version"

# No display at all: these must answer without connecting to one.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/quillon" --version)
[[ "$out" =~ ^Quillon\ [0-9]+\.[0-9]+ ]] || fail "--version said: $out"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/quillon" --help)
[[ "$out" == Usage:* ]] || fail "--help said: $out"
# Qt's own options are let through, with their values (even one that looks
# like an option).
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/quillon" \
      -style Fusion --platform=xcb -qwindowtitle --odd-title -reverse --version)
[[ "$out" =~ ^Quillon\ [0-9]+\.[0-9]+ ]] || fail "Qt options then --version said: $out"
# An option nobody knows: the usage on the error stream and status 2, never a
# window or an abort, whether a display could be had or not.
for platform in unset xcb offscreen; do
    if [ "$platform" = unset ]; then envs=(-u QT_QPA_PLATFORM); else envs=("QT_QPA_PLATFORM=$platform"); fi
    status=0
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY "${envs[@]}" "$prefix/bin/quillon" --bogus 2>&1 >/dev/null) \
        || status=$?
    [ "$status" = 2 ] || fail "--bogus (QT_QPA_PLATFORM $platform) exited $status: $err"
    [[ "$err" == "quillon: unknown option '--bogus'"*"Usage: quillon"* ]] \
        || fail "--bogus (QT_QPA_PLATFORM $platform) said: $err"
done
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/quillon" -platform offscreen -x >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || fail "-x after -platform offscreen exited $status"
echo "install check passed: $desktop, $metainfo, 9 icons, --version, --help, unknown options"
