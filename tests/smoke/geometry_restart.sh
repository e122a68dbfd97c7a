#!/usr/bin/env bash
# Move and resize the window, close it, start again: the window comes back where it was left.
source "$(dirname "$0")/xsession.sh" "$@"

start_tunemark
xdotool windowmove "$WINDOW" 140 90
xdotool windowsize "$WINDOW" 820 430
sleep 0.5
read -r x1 y1 w1 h1 < <(window_geometry)
press_close
expect_exit_zero

start_tunemark
read -r x2 y2 w2 h2 < <(window_geometry)
screenshot geometry_restart
press_close
expect_exit_zero

[ "$x1 $y1 $w1 $h1" = "$x2 $y2 $w2 $h2" ] ||
  { echo "left at $x1 $y1 $w1 $h1, came back at $x2 $y2 $w2 $h2"; exit 1; }
[ "$w1 $h1" = "820 430" ] || { echo "resize did not take: $w1 $h1"; exit 1; }
echo "geometry_restart: ok ($x2 $y2 $w2 $h2)"
