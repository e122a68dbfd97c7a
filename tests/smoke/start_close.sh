#!/usr/bin/env bash
# Starts the real program on a virtual display, looks at it, and closes it with its Close
# button as a person would; it must end with status 0 and without a warning from Qt.
source "$(dirname "$0")/xsession.sh" "$@"

start_tunemark
read -r _ _ w h < <(window_geometry)
[ "$w" -ge 687 ] || fail "window narrower than 687: $w"
screenshot start
press_close
expect_exit_zero
echo "start_close: ok (window ${w}x${h})"
