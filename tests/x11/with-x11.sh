#!/usr/bin/env bash
# with-x11.sh COMMAND...: runs COMMAND on a private X server (Xvfb, 1024x768x24) with an EWMH
# window manager (openbox), on a free display, and removes both afterwards.
set -euo pipefail

for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "with-x11.sh: $tool is missing (Debian: xvfb openbox x11-utils)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/with-x11.XXXXXX")
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# -displayfd makes the server pick a free display and tell us which.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${X11_SCREEN:-1024x768x24}" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
display=$(tr -d '\n' <"$work/display")
[ -n "$display" ] || { echo "with-x11.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display"

HOME="$work" XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
  || { echo "with-x11.sh: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }

unset QT_QPA_PLATFORM
"$@"
