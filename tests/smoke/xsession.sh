# Shared by the real-display tests: a private Xvfb display, a private settings folder, and
# helpers to find Tunemark's windows, click inside them as a person would and wait for what a
# step needs. Every wait has a generous upper bound; no step sleeps for a fixed time.
# Usage: source xsession.sh <tunemark-executable> <artifact-folder>
set -euo pipefail

TUNEMARK=$1
ARTIFACTS=$2
mkdir -p "$ARTIFACTS"
WORK=$(mktemp -d /tmp/tunemark-smoke-XXXXXX)
export XDG_CONFIG_HOME=$WORK/config
export HOME=$WORK
# A desktop session provides a private runtime folder; without one Qt warns at start.
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
# Every message of Qt's own starts with its kind, so warnings can be told from other output.
export QT_MESSAGE_PATTERN='qt.%{type}: %{message}'

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

fail() {
  echo "$*"
  screenshot "failure-$(basename "$0" .sh)-$$" || true
  [ -f "$WORK/tunemark.log" ] && cat "$WORK/tunemark.log"
  exit 1
}

# wait_for <seconds> <what> <command...>: runs the command until it succeeds; fails the test
# naming <what> when it has not succeeded within the time.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${limit}s waiting for $what"
    sleep 0.05
  done
}

# Prints the id of the visible window with exactly this title; fails when there is none.
visible_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .
}
no_visible_window() { ! visible_window "$1" >/dev/null; }

# Writes the settings Tunemark starts with: folder mode on <folder>, with (1) or without (0) its
# subfolders, and any further "Key=value" lines of the display section.
write_folder_settings() {
  local folder=$1 subfolders=$2
  shift 2
  mkdir -p "$XDG_CONFIG_HOME/Weldrake"
  {
    echo '[Display%20data]'
    printf '%s\n' "$@"
    echo 'Entire%20Drive=0'
    echo "Subdirectories=$subfolders"
    echo "ScanDir=$folder"
  } >"$XDG_CONFIG_HOME/Weldrake/Tunemark.conf"
}

# Starts Tunemark in the background and waits for its main window; sets WINDOW.
start_tunemark() {
  "$TUNEMARK" >"$WORK/tunemark.log" 2>&1 &
  TUNEMARK_PID=$!
  wait_for 60 "the main window" visible_window Tunemark >/dev/null
  WINDOW=$(visible_window Tunemark)
}

# Prints "x y width height" of a window (the main window by default).
window_geometry() {
  xwininfo -id "${1:-$WINDOW}" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
geometry_is() { [ "$(window_geometry)" = "$*" ]; }

# Prints the colour of a pixel of the main window as #RRGGBB.
pixel() {
  import -window "$WINDOW" -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    grep -o '#[0-9A-F]\{6\}' | head -n 1
}
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# The window that has the keyboard focus is this one.
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$1" ]; }

# Clicks at a point given relative to the window's bottom-right corner.
click_from_bottom_right() {
  read -r x y w h < <(window_geometry)
  xdotool mousemove $((x + w - $1)) $((y + h - $2)) click 1
}

# A job done as a person would counts the person's inputs: each key press and each click, not
# the characters typed.
INPUTS=0
press() {
  INPUTS=$((INPUTS + $#))
  xdotool key --delay 40 "$@"
}
type_text() { xdotool type --delay 30 "$1"; }
# The end of a job: the Information box answered with its key and Tunemark closed, two inputs
# more; the count is printed and must stay within <most>. Usage: end_job <most> <job>
end_job() {
  answer_information_box "$2_box"
  press_close
  INPUTS=$((INPUTS + 2))
  expect_exit_zero
  echo "$2: $INPUTS inputs beyond the characters typed and the scan"
  [ "$INPUTS" -le "$1" ] || fail "$2 took $INPUTS inputs, more than $1"
}

screenshot() {
  import -window root "$ARTIFACTS/$1.png"
}

# Waits for Tunemark to end and checks its exit status, and that Qt warned of nothing.
expect_exit_zero() {
  wait_for 60 "Tunemark to end" eval '! kill -0 "$TUNEMARK_PID" 2>/dev/null'
  local status=0
  wait "$TUNEMARK_PID" || status=$?
  TUNEMARK_PID=
  [ "$status" -eq 0 ] || fail "Tunemark exited with $status"
  if grep -E '^qt\.(warning|critical|fatal): ' "$WORK/tunemark.log"; then
    fail "Qt warned while Tunemark ran"
  fi
}

# Waits for the Information box ("Changes saved"), keeps a screenshot of it under the given name
# and answers it with its letter key, as a person would.
answer_information_box() {
  wait_for 60 "the Information box" visible_window Information >/dev/null
  local box
  box=$(visible_window Information)
  wait_for 30 "the Information box to take the keys" has_focus "$box"
  screenshot "$1"
  xdotool key o
  wait_for 30 "the Information box to close" no_visible_window Information
}

# The Close button sits 43 px from the right edge and 17 px above the bottom.
press_close() { click_from_bottom_right 43 17; }
press_save() { click_from_bottom_right 122 17; }
press_scan() { click_from_bottom_right 201 17; }
