#!/usr/bin/env bash
# Kills saves at random moments: repeated ID3v2 saves of a 24 MiB file (each one a rewrite of the
# whole file), each killed with SIGKILL after a random delay within the save's own duration.
# After every kill the file must hold exactly the old or the new bytes, and nothing else may lie
# in its folder (no temporary file left behind).
#
#   [MIB=24] bench/kill_save.sh [build folder, default build] [runs, default 300]
#
# Prints how many kills left the old file and how many the new one; exits 1 on the first run
# that leaves anything else.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-300}
mib=${MIB:-24}
tagtool=$build/tests/interop/tagtool
[ -x "$tagtool" ] || cmake --build "$build" --target tagtool >/dev/null

work=$(mktemp -d /tmp/tunemark-kill-XXXXXX)
trap 'rm -rf "$work"' EXIT
folder=$work/music
mkdir -p "$folder"
song=$folder/song.mp3

# The two states the file alternates between: title "Alpha" and title "Bravo".
head -c $((mib * 1024 * 1024)) /dev/urandom >"$work/audio"
cp "$work/audio" "$song"
"$tagtool" set "$song" title=Alpha artist=Someone
cp "$song" "$work/alpha"
"$tagtool" set "$song" title=Bravo
cp "$song" "$work/bravo"
alpha=$(sha256sum <"$work/alpha" | cut -d' ' -f1)
bravo=$(sha256sum <"$work/bravo" | cut -d' ' -f1)

# Waits without starting a process, so the delay is not drowned in a fork.
exec {never}<> <(:)
pause() { read -r -t "$1" -u "$never" _ || true; }

# A save's duration, process start included, to spread the kills over it.
start=$(date +%s%N)
"$tagtool" set "$song" title=Alpha &
wait $!
micros=$(( ($(date +%s%N) - start) / 1000 ))
echo "one save of $mib MiB: $((micros / 1000)) ms; $runs kills spread over 0 to $((micros * 12 / 10000)) ms"

old=0 new=0
for run in $(seq "$runs"); do
  current=$(sha256sum <"$song" | cut -d' ' -f1)
  if [ "$current" = "$alpha" ]; then next=Bravo; want=$bravo; else next=Alpha; want=$alpha; fi
  "$tagtool" set "$song" "title=$next" 2>/dev/null &
  pid=$!
  delay=$(( RANDOM * 32768 + RANDOM ))
  delay=$(( delay % (micros * 12 / 10 + 1) ))
  pause "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  after=$(sha256sum <"$song" | cut -d' ' -f1)
  if [ "$after" = "$current" ]; then
    old=$((old + 1))
  elif [ "$after" = "$want" ]; then
    new=$((new + 1))
  else
    echo "run $run: the file holds neither the old nor the new bytes"
    exit 1
  fi
  left=$(find "$folder" -mindepth 1 ! -name song.mp3 | head -n 5)
  if [ -n "$left" ]; then
    echo "run $run: left behind: $left"
    exit 1
  fi
done
echo "$runs kills: $old left the old file, $new the new one; no temporary file left behind"
