#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop program with an empty environment, as from a cron job or an ssh session without
# forwarding: --help and --version answer, anything else is refused in one line, never a crash.
#   tests/app/without_display.sh TWINLY_BINARY VERSION
set -u
bin=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

for option in --help -h; do
    env -i "$bin" "$option" >"$work/out" 2>"$work/err" || fail "$option exited with $?"
    grep -q '^Usage: twinly' "$work/out" || fail "$option printed: $(cat "$work/out")"
    [ ! -s "$work/err" ] || fail "$option wrote to stderr: $(cat "$work/err")"
done
for option in --version -v; do
    env -i "$bin" "$option" >"$work/out" 2>"$work/err" || fail "$option exited with $?"
    [ "$(cat "$work/out")" = "twinly $version" ] || fail "$option printed: $(cat "$work/out")"
done
# --help wins wherever it stands, and a full stdout is an error, not a silent success.
env -i "$bin" -style fusion --help >/dev/null || fail "--help after other options"
if [ -w /dev/full ] && env -i "$bin" --help >/dev/full 2>/dev/null; then
    fail "--help to a full output succeeded"
fi

for platform in "" xcb wayland; do
    if [ -n "$platform" ]; then
        env -i QT_QPA_PLATFORM="$platform" HOME="$work" "$bin" >"$work/out" 2>"$work/err"
    else
        env -i HOME="$work" "$bin" >"$work/out" 2>"$work/err"
    fi
    status=$?
    [ $status -eq 1 ] || fail "without a display (platform '$platform') the status is $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "not one line on stderr: $(cat "$work/err")"
    grep -q 'display' "$work/err" || fail "stderr does not say why: $(cat "$work/err")"
    [ ! -s "$work/out" ] || fail "wrote to stdout: $(cat "$work/out")"
done
env -i HOME="$work" DISPLAY= WAYLAND_DISPLAY= "$bin" 2>/dev/null
[ $? -eq 1 ] || fail "empty DISPLAY and WAYLAND_DISPLAY count as a display"
echo "ok"
