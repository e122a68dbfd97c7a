#!/usr/bin/env bash
# Builds the benchmarks (RelWithDebInfo), makes the corpus once (kept under /tmp for later runs)
# and runs every benchmark, printing its figures. The batch save beside its peers makes a corpus
# of its own (about 6 GB, removed afterwards); BATCH=0 leaves it out.
#   bench/run.sh [build folder, default build]    COUNT=20000 SEED=1 to change the corpus
# Corpora above 100,000 files get small audio (FRAMES=1,3), so a million files fit the disk;
# FRAMES=lo,hi chooses the audio frames per file.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${COUNT:-20000}
seed=${SEED:-1}
if [ "$count" -gt 100000 ]; then frames=${FRAMES:-1,3}; else frames=${FRAMES:-40,200}; fi
# A changed generator makes a corpus of its own.
generator=$(sha1sum bench/make_corpus.py | cut -c1-8)
corpus=/tmp/tunemark-corpus-$count-seed$seed-$generator
[ "$frames" = 40,200 ] || corpus=$corpus-frames${frames/,/-}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=(read_bench save_bench batch_bench tagtool rowstore_bench batchedit_bench order_bench tunemark)
[ -f bench/scan_bench.cpp ] && targets+=(scan_bench)
cmake --build "$build" --target "${targets[@]}"

# The generator writes its stamp last, so a corpus cut short by an interruption is made again.
if [ ! -f "$corpus/.corpus-done" ]; then
  rm -rf "$corpus"
  /usr/bin/python3 bench/make_corpus.py --out "$corpus" --count "$count" --seed "$seed" \
    --frames "$frames"
fi

"$build/bench/read_bench" "$corpus"
"$build/bench/save_bench"
if [ "${BATCH:-1}" != 0 ]; then
  /usr/bin/python3 bench/batch_save.py --build "$build"
fi
"$build/bench/rowstore_bench" "$corpus"
"$build/bench/order_bench" "$corpus"
"$build/bench/batchedit_bench"
if [ -x "$build/bench/scan_bench" ]; then
  "$build/bench/scan_bench" "$corpus"
fi
bash bench/memory_bench.sh "$build/shell/tunemark" "$corpus"
