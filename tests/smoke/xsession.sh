# Shared by the real-display tests: a private Xvfb display, a private settings folder, and
# helpers to find Tunemark's window and click inside it as a person would.
# Usage: source xsession.sh <tunemark-executable> <artifact-folder>
set -euo pipefail

TUNEMARK=$1
ARTIFACTS=$2
mkdir -p "$ARTIFACTS"
WORK=$(mktemp -d /tmp/tunemark-smoke-XXXXXX)
export XDG_CONFIG_HOME=$WORK/config
export HOME=$WORK
unset QT_QPA_PLATFORM

# The server picks a free display itself and writes its number once it accepts connections;
# a number chosen here could be taken by another test between the check and the server's start.
# It listens on the abstract socket only: a server of another test that is shutting down removes
# the socket file of its display number, which may by then belong to this server. -noreset keeps
# it from resetting whenever its last client leaves (every xdotool call is a client), which
# refuses the connections that arrive meanwhile.
mkfifo "$WORK/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -nolisten unix -noreset 3>"$WORK/displayfd" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
TUNEMARK_PID=

cleanup() {
  [ -n "$TUNEMARK_PID" ] && kill "$TUNEMARK_PID" 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

display_number=
read -r -t 30 display_number <"$WORK/displayfd" || true
[ -n "$display_number" ] || { echo "Xvfb did not start"; cat "$WORK/xvfb.log"; exit 1; }
export DISPLAY=:$display_number

# Starts Tunemark in the background and waits for its main window; sets WINDOW.
start_tunemark() {
  "$TUNEMARK" >"$WORK/tunemark.log" 2>&1 &
  TUNEMARK_PID=$!
  WINDOW=
  for _ in $(seq 150); do
    WINDOW=$(xdotool search --onlyvisible --name '^Tunemark$' 2>/dev/null | head -n 1 || true)
    [ -n "$WINDOW" ] && break
    sleep 0.2
  done
  [ -n "$WINDOW" ] || { echo "no Tunemark window"; cat "$WORK/tunemark.log"; exit 1; }
  sleep 0.5
}

# Prints "x y width height" of the main window.
window_geometry() {
  xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# Clicks at a point given relative to the window's bottom-right corner.
click_from_bottom_right() {
  read -r x y w h < <(window_geometry)
  xdotool mousemove $((x + w - $1)) $((y + h - $2)) click 1
}

click_at() {
  read -r x y _ _ < <(window_geometry)
  xdotool mousemove $((x + $1)) $((y + $2)) click 1
}

screenshot() {
  import -window root "$ARTIFACTS/$1.png"
}

# Waits for Tunemark to end and checks its exit status.
expect_exit_zero() {
  local status=0
  for _ in $(seq 100); do kill -0 "$TUNEMARK_PID" 2>/dev/null || break; sleep 0.1; done
  wait "$TUNEMARK_PID" || status=$?
  TUNEMARK_PID=
  [ "$status" -eq 0 ] || { echo "Tunemark exited with $status"; cat "$WORK/tunemark.log"; exit 1; }
}

# The Close button sits 43 px from the right edge and 17 px above the bottom.
press_close() { click_from_bottom_right 43 17; }
press_save() { click_from_bottom_right 122 17; }
press_scan() { click_from_bottom_right 201 17; }
