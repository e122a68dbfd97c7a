#!/usr/bin/env bash
# Move and resize the window, close it, start again: the window comes back where it was left.
source "$(dirname "$0")/xsession.sh" "$@"

start_tunemark
xdotool windowmove "$WINDOW" 140 90
xdotool windowsize "$WINDOW" 820 430
wait_for 30 "the window to move and grow" geometry_is 140 90 820 430
press_close
expect_exit_zero

start_tunemark
read -r x y w h < <(window_geometry)
screenshot geometry_restart
press_close
expect_exit_zero

[ "$x $y $w $h" = "140 90 820 430" ] || fail "left at 140 90 820 430, came back at $x $y $w $h"
echo "geometry_restart: ok ($x $y $w $h)"
