#!/usr/bin/env bash
# Kills saves at random moments. A process saves the ID3v2 tag of a 24 MiB file again and again
# (in place, through the save record, each time with the other of two titles) and is killed
# with SIGKILL after a random delay; `tagtool recover` then finishes the save as the next start
# would. After every kill the file must hold exactly the bytes of one of the two titles, nothing
# else may lie in its folder (no temporary file left behind), and no save record may be left.
#
#   [MIB=24] bench/kill_save.sh [build folder, default build] [kills, default 300]
#
# Prints how many saves the killed processes completed and the kills' outcome; exits 1 on the
# first kill that leaves anything else. Batches of files of every kind: bench/kill_batch.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kills=${2:-300}
mib=${MIB:-24}
source bench/killsetup.sh kill
folder=$work/music
mkdir -p "$folder"
song=$folder/song.mp3

# The two states the file alternates between: title "Alpha" and title "Bravo". The first save
# gives the file its tag, with padding, by a rewrite; every later one is in place.
head -c $((mib * 1024 * 1024)) /dev/urandom >"$song"
"$tagtool" set "$song" --convert title=Alpha artist=Someone
alpha=$(sha256sum <"$song" | cut -d' ' -f1)
"$tagtool" set "$song" title=Bravo
bravo=$(sha256sum <"$song" | cut -d' ' -f1)

# Waits without starting a process, so the delay is not drowned in a fork.
exec {never}<> <(:)
pause() { read -r -t "$1" -u "$never" _ || true; }

# How long a run of saves takes, to spread the kills over a few saves.
start=$(date +%s%N)
for _ in 1 2 3 4; do "$tagtool" set "$song" title=Alpha; "$tagtool" set "$song" title=Bravo; done
micros=$(( ($(date +%s%N) - start) / 8000 ))
echo "one save of $mib MiB: $((micros / 1000)).$(( micros % 1000 / 100 )) ms; kills after 0 to $((micros * 5 / 1000)) ms"

alphas=0 bravos=0
for kill in $(seq "$kills"); do
  "$tagtool" toggle "$song" Alpha Bravo 2>/dev/null &
  pid=$!
  delay=$(( (RANDOM * 32768 + RANDOM) % (micros * 5 + 1) ))
  pause "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  "$tagtool" recover
  if [ -n "$(ls -A "$records" 2>/dev/null)" ]; then
    echo "kill $kill: records left after the recovery: $(ls -A "$records")"
    exit 1
  fi

  after=$(sha256sum <"$song" | cut -d' ' -f1)
  if [ "$after" = "$alpha" ]; then
    alphas=$((alphas + 1))
  elif [ "$after" = "$bravo" ]; then
    bravos=$((bravos + 1))
  else
    echo "kill $kill: the file holds neither title's bytes"
    exit 1
  fi
  left=$(find "$folder" -mindepth 1 ! -name song.mp3 | head -n 5)
  if [ -n "$left" ]; then
    echo "kill $kill: left behind: $left"
    exit 1
  fi
done
echo "$kills kills: $alphas left title Alpha, $bravos title Bravo; every file whole, nothing left behind, no record left"
