#!/usr/bin/env bash
# The memory a listed file costs in the real program: starts the built tunemark on a private
# virtual display in folder mode on a corpus, reads its resident set before the scan, presses
# Scan as a person would, waits until the scan has ended and the process is idle, then prints
# (peak resident set - set before the scan) / files and the resting size after the scan.
#   bench/memory_bench.sh <tunemark executable> <corpus folder>
set -euo pipefail
if [ $# -ne 2 ] || [ ! -x "$1" ] || [ ! -d "$2" ]; then
  echo "usage: memory_bench.sh <tunemark executable> <corpus folder>" >&2
  exit 2
fi
corpus=$(cd "$2" && pwd)
artifacts=$(mktemp -d /tmp/tunemark-memory-XXXXXX)
source "$(dirname "$0")/../tests/smoke/xsession.sh" "$1" "$artifacts"
trap 'cleanup; rm -rf "$artifacts"' EXIT

# What the scan lists: every file named *.mp3 in any letter case, outside hidden folders.
files=$(find "$corpus" -name '.*' -prune -o -iname '*.mp3' -type f -print | wc -l)
[ "$files" -ge 2 ] || fail "the corpus holds fewer than two files"

write_folder_settings "$corpus" 1

# kB of a line of /proc/PID/status.
status_kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$TUNEMARK_PID/status"; }
# The process's user and system time in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$TUNEMARK_PID/stat"; }
# True once the process has used no processor time for a whole second.
idle_for_a_second() {
  local before
  before=$(cpu_ticks)
  sleep 1
  [ "$(cpu_ticks)" = "$before" ]
}

# In folder mode the table starts 113 px down and each row is 22 px high; the second row exists
# only once the scan has ended, and then has a tag colour instead of the empty table's white.
row2_y=169
artist_x=290
row2_shown() { ! pixel_is $artist_x $row2_y '#FFFFFF'; }

start_tunemark
wait_for 60 "Tunemark to settle after its start" idle_for_a_second
before_kb=$(status_kb VmRSS)
start=$SECONDS
press_scan
# The pixel is looked at twice a second only, so the look takes little from the scan.
until row2_shown; do
  [ $((SECONDS - start)) -lt 3600 ] || fail "the scan did not end within an hour"
  sleep 0.5
done
wait_for 120 "Tunemark to go idle after the scan" idle_for_a_second
peak_kb=$(status_kb VmHWM)
rest_kb=$(status_kb VmRSS)

echo "memory_bench: $files files under $corpus"
echo "  resident set before the scan: $((before_kb / 1024)) MiB; peak: $((peak_kb / 1024)) MiB; at rest after it: $((rest_kb / 1024)) MiB"
echo "  per listed file: $(((peak_kb - before_kb) * 1024 / files)) bytes at the peak (goal: at most 600), $(((rest_kb - before_kb) * 1024 / files)) at rest"
echo "  peak above the resting size: $((peak_kb - rest_kb)) KiB (goal: none)"
