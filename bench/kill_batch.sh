#!/usr/bin/env bash
# Kills batch saves at random moments. A folder of 200 files of every kind a save meets (ID3v2
# tags with padding, written in place; ID3v2 tags without padding, which the new album outgrows,
# so they are rewritten; ID3v1 blocks, overwritten in place; files without a tag, which get a
# block appended) and two files that are no songs is saved whole with a new album
# (tagtool set-all, one save as the Save button makes it) and the save is killed with SIGKILL
# after a random delay; then `tagtool recover` finishes it as the next start would. After every
# kill each song must be byte-exact old or new (sha256 against both), the other files and the
# list of names unchanged, and no save record left. The folder is laid anew before each save.
#
#   bench/kill_batch.sh [build folder, default build] [kills, default 300]
#
# Prints how the kills fell (before the save wrote anything, after it was done, in between), how
# many left a record, and how many files the recoveries finished (and found torn); exits 1 on the
# first kill that leaves anything else.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kills=${2:-300}
source bench/killsetup.sh killbatch
pristine=$work/pristine
music=$work/music
album="The album every kill interrupts, longer than any unpadded tag leaves room for"

/usr/bin/python3 bench/make_save_corpus.py --out "$pristine" --count 200 \
  --kinds padded=2,unpadded=1,v1=1,none=1 --kib 64,512 --padding 1024,4096 --seed 7
printf 'not a song\n' >"$pristine/notes.txt"
head -c 100000 /dev/urandom >"$pristine/cover.jpg"

# The old and the new bytes of every file.
(cd "$pristine" && sha256sum -- *) >"$work/old.sum"
cp -a "$pristine" "$music"
start=$(date +%s%N)
"$tagtool" set-all "$music" "album=$album"
micros=$(( ($(date +%s%N) - start) / 1000 ))
(cd "$music" && sha256sum -- *) >"$work/new.sum"
changed=$(diff "$work/old.sum" "$work/new.sum" | grep -c '^>' || true)
echo "one save of 200 files: $((micros / 1000)) ms, changes $changed files; kills after 0 to $((micros * 6 / 5000)) ms"

exec {never}<> <(:)
pause() { read -r -t "$1" -u "$never" _ || true; }

# Each file's state after a kill: "old", "new" or "torn".
classify() {
  (cd "$music" && sha256sum -- *) | awk -v old="$work/old.sum" -v new="$work/new.sum" '
    BEGIN { while ((getline l < old) > 0) { split(l, f, "  "); o[f[2]] = f[1] }
            while ((getline l < new) > 0) { split(l, f, "  "); n[f[2]] = f[1] } }
    { name = substr($0, 67)
      if ($1 == n[name] && $1 == o[name]) s = "same"; else if ($1 == n[name]) s = "new";
      else if ($1 == o[name]) s = "old"; else s = "torn"
      print s, name }'
}

before=0 after=0 between=0 found=0 torn=0 finished=0
for kill in $(seq "$kills"); do
  rm -rf "$music"
  cp -a "$pristine" "$music"
  "$tagtool" set-all "$music" "album=$album" 2>/dev/null &
  pid=$!
  delay=$(( (RANDOM * 32768 + RANDOM) % (micros * 6 / 5 + 1) ))
  pause "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  if [ -n "$(ls -A "$records" 2>/dev/null)" ]; then found=$((found + 1)); fi
  killed=$(classify)
  torn=$((torn + $(grep -c '^torn' <<<"$killed" || true)))
  "$tagtool" recover
  left=$(ls -A "$records" 2>/dev/null || true)
  if [ -n "$left" ]; then
    echo "kill $kill: records left after the recovery: $left"
    exit 1
  fi
  names=$(ls -A "$music" | sort)
  if [ "$names" != "$(ls -A "$pristine" | sort)" ]; then
    echo "kill $kill: the folder's names changed:"
    diff <(ls -A "$pristine" | sort) <(echo "$names") || true
    exit 1
  fi
  states=$(classify)
  finished=$((finished + $(diff <(echo "$killed") <(echo "$states") | grep -c '^>' || true)))
  if grep -q '^torn' <<<"$states"; then
    echo "kill $kill: files neither old nor new:"
    grep '^torn' <<<"$states"
    exit 1
  fi
  olds=$(grep -c '^old' <<<"$states" || true)
  news=$(grep -c '^new' <<<"$states" || true)
  if [ "$news" -eq 0 ]; then
    before=$((before + 1))
  elif [ "$olds" -eq 0 ]; then
    after=$((after + 1))
  else
    between=$((between + 1))
  fi
done
echo "$kills kills: $before before any file was written, $after after all were, $between in between;"
echo "  $found left a record, from which the recovery finished $finished files ($torn of them found torn);"
echo "  after it every file old or new, nothing else changed, no record left"
