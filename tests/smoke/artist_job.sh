#!/usr/bin/env bash
# Fixing an artist's name as a person would: 300 of 2,000 files, spread over 100 album folders,
# spell it wrong. The filter narrows the list to them, one value goes into their Artist cells,
# and a save writes them. Every key press and click beyond the characters typed and the scan is
# counted, and must stay within 10. An independent reader (mutagen) then checks the 300, and
# every other file must be byte for byte what it was.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/music
mkdir -p "$music"
/usr/bin/python3 - "$music" <<'PY'
import os, random, sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
random.seed(4)
root = sys.argv[1]
others = ["John Coltrane", "Jonathan Cole", "Ann Colt", "The Ranes", "Coltrane Tribute Band"]
wrong = set(random.sample(range(1, 2000), 300))
for n in range(2000):
    album = f"{root}/Album {n // 20:03d}"
    os.makedirs(album, exist_ok=True)
    path = f"{album}/{n % 20 + 1:02d} Take {n}.mp3"
    with open(path, "wb") as f:
        f.write(b"\xff\xfb\x90\x00" + bytes(600))
        if n == 0:
            # The first file has a version 1 tag only: its row is not the teal of the others,
            # so the test sees when the filter has narrowed the list.
            f.write(b"TAG" + b"Take 0".ljust(30, b"\0") + bytes(94) + b"\xff")
    if n == 0:
        continue
    tag = ID3()
    tag.add(TIT2(encoding=1, text=f"Take {n}"))
    tag.add(TPE1(encoding=1, text="Jon Coltrane" if n in wrong else random.choice(others)))
    tag.add(TALB(encoding=1, text=f"Album {n // 20}"))
    tag.save(path, v2_version=3)
with open(f"{root}/../wrong.txt", "w") as f:
    f.write("\n".join(str(n) for n in sorted(wrong)))
PY
before=$(cd "$music" && find . -name '*.mp3' -print0 | sort -z | xargs -0 sha256sum)
write_folder_settings "$music" 1

teal='#008080'
start_tunemark
press_scan
# The rows are shown once the scan is over; row 1 is the file with a version 1 tag.
wait_for 120 "row 2 to turn teal" pixel_is 290 169 $teal
pixel_is 290 147 $teal && fail "row 1 is teal before the filter"

press ctrl+f
type_text "jon coltrane"
# A person looks at the list before going on: row 1 shows one of the wrong spellings now.
wait_for 30 "the filter to narrow the list" pixel_is 290 147 $teal
# Enter gives the keys back to the table, Title of row 1 active; a step right to Artist, every
# row shown, the right name, Enter, and a save.
press Return Right ctrl+a
type_text "John Coltrane"
press Return ctrl+s
end_job 10 artist_job
/usr/bin/python3 - "$music" <<'PY' || fail "mutagen reads other artists than were typed"
import sys
from mutagen.id3 import ID3
root = sys.argv[1]
wrong = {int(n) for n in open(f"{root}/../wrong.txt").read().split()}
for n in sorted(wrong):
    tag = ID3(f"{root}/Album {n // 20:03d}/{n % 20 + 1:02d} Take {n}.mp3")
    assert [str(tag["TPE1"]), str(tag["TIT2"]), str(tag["TALB"])] == \
        ["John Coltrane", f"Take {n}", f"Album {n // 20}"], n
print(len(wrong), "files fixed")
PY
after=$(cd "$music" && find . -name '*.mp3' -print0 | sort -z | xargs -0 sha256sum)
wrong_names=$(/usr/bin/python3 -c '
import sys
for n in open(sys.argv[1]).read().split():
    n = int(n)
    print(f"./Album {n // 20:03d}/{n % 20 + 1:02d} Take {n}.mp3")
' "$WORK/wrong.txt")
untouched() { grep -v -F -f <(printf '%s\n' "$wrong_names"); }
[ "$(printf '%s\n' "$before" | untouched)" = "$(printf '%s\n' "$after" | untouched)" ] ||
  fail "a file that did not spell the name wrong changed"
[ "$(printf '%s\n' "$after" | untouched | wc -l)" -eq 1700 ] || fail "not 1,700 other files"
echo "artist_job: ok"
