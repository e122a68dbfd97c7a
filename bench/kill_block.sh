#!/usr/bin/env bash
# Kills stores of an ID3v1 block that straddles a page boundary. The file's last 128 bytes begin
# 16 bytes before a 4 KiB boundary, so its 30-byte title lies across two pages, and a write of it
# can be cut between them. A process stores the block again and again, each time with the other
# of two titles that differ in every character (tagtool toggle), and is killed with SIGKILL after
# a random short delay; `tagtool recover` then finishes the store as the next start would. After
# every kill the file must hold exactly the bytes of one of the two titles, nothing else may lie
# in its folder, and no save record may be left.
#
#   bench/kill_block.sh [build folder, default build] [kills, default 1000]
#
# Prints how many kills left each title, how many left a record, and how many stores the recovery
# finished (and how many of those it found torn); exits 1 on the first kill that leaves anything
# else.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kills=${2:-1000}
source bench/killsetup.sh killblock
folder=$work/music
mkdir -p "$folder"
song=$folder/song.mp3
first=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123
second=abcdefghijklmnopqrstuvwxyz4567

# Audio without a tag; the first save appends the block, whose start lies 16 bytes before the
# 64th page boundary.
head -c $((64 * 4096 - 16)) /dev/urandom >"$song"
"$tagtool" set "$song" "title=$first" artist=Someone
[ $(( $(stat -c %s "$song") % 4096 )) -eq 112 ] || { echo "the block does not straddle a page"; exit 1; }
alpha=$(sha256sum <"$song" | cut -d' ' -f1)
"$tagtool" set "$song" "title=$second"
bravo=$(sha256sum <"$song" | cut -d' ' -f1)

exec {never}<> <(:)
pause() { read -r -t "$1" -u "$never" _ || true; }

start=$(date +%s%N)
for _ in 1 2 3 4 5; do "$tagtool" set "$song" "title=$first"; "$tagtool" set "$song" "title=$second"; done
micros=$(( ($(date +%s%N) - start) / 10000 ))
echo "one store of the block: $((micros / 1000)).$(( micros % 1000 / 100 )) ms; kills after 0 to $((micros * 3 / 1000)) ms"

alphas=0 bravos=0 found=0 torn=0 finished=0
for kill in $(seq "$kills"); do
  "$tagtool" toggle "$song" "$first" "$second" 2>/dev/null &
  pid=$!
  delay=$(( (RANDOM * 32768 + RANDOM) % (micros * 3 + 1) ))
  pause "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  if [ -n "$(ls -A "$records" 2>/dev/null)" ]; then found=$((found + 1)); fi
  killed=$(sha256sum <"$song" | cut -d' ' -f1)
  if [ "$killed" != "$alpha" ] && [ "$killed" != "$bravo" ]; then torn=$((torn + 1)); fi
  "$tagtool" recover
  if [ -n "$(ls -A "$records" 2>/dev/null)" ]; then
    echo "kill $kill: records left after the recovery: $(ls -A "$records")"
    exit 1
  fi
  after=$(sha256sum <"$song" | cut -d' ' -f1)
  if [ "$after" != "$killed" ]; then finished=$((finished + 1)); fi
  if [ "$after" = "$alpha" ]; then
    alphas=$((alphas + 1))
  elif [ "$after" = "$bravo" ]; then
    bravos=$((bravos + 1))
  else
    echo "kill $kill: a torn block: $(tail -c 128 "$song" | head -c 33 | cut -c4-)"
    exit 1
  fi
  left=$(find "$folder" -mindepth 1 ! -name song.mp3 | head -n 5)
  if [ -n "$left" ]; then
    echo "kill $kill: left behind: $left"
    exit 1
  fi
done
echo "$kills kills: $alphas left the first title, $bravos the second; $found left a record, from which"
echo "  the recovery finished $finished stores ($torn of them found torn); no torn block after it,"
echo "  nothing left behind, no record left"
