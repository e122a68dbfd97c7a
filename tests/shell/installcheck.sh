#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that Tunemark lands where a desktop expects
# it: the executable with its help file beside it, the desktop entry, the icon in every size.
# Usage: installcheck.sh <build-dir> <bindir> <datadir>
set -euo pipefail
build=$1 bindir=$2 datadir=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

help="$prefix/$bindir/TUNEMARKHELP.HLP"
[ -f "$help" ] || fail "no help file at $help"
for topic in 1 2 3 4 5 6; do
  grep -q "<a name=\"$topic\">" "$help" || fail "the help file has no topic $topic"
done

entry="$prefix/$datadir/applications/tunemark.desktop"
[ -f "$entry" ] || fail "no desktop entry at $entry"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -qx 'Exec=tunemark' "$entry" || fail "the desktop entry does not start tunemark"
grep -qx 'Icon=tunemark' "$entry" || fail "the desktop entry does not name the tunemark icon"

icons="$prefix/$datadir/icons/hicolor"
[ -s "$icons/scalable/apps/tunemark.svg" ] || fail "no scalable icon"
for size in 16 32 48 64 128 256; do
  png="$icons/${size}x${size}/apps/tunemark.png"
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
done

[ -x "$prefix/$bindir/tunemark" ] || fail "no executable at $prefix/$bindir/tunemark"
echo "install check: passed"
