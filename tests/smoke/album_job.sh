#!/usr/bin/env bash
# Tagging a newly ripped album as a person would: twelve tracks that have only their titles get
# the same artist, album and year and their track numbers, then a save. Every key press and
# click beyond the characters typed and the scan is counted, and must stay within 20. An
# independent reader (mutagen) then checks every file.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/album
mkdir -p "$music"
/usr/bin/python3 - "$music" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2
for n in range(1, 13):
    path = f"{sys.argv[1]}/{n:02d} Song {n}.mp3"
    with open(path, "wb") as f:
        f.write(b"\xff\xfb\x90\x00" + bytes(4000))
    tag = ID3()
    tag.add(TIT2(encoding=3, text=f"Song {n}"))
    tag.save(path, v2_version=3)
PY
write_folder_settings "$music" 0

teal='#008080'
start_tunemark
press_scan
# The rows are shown once the scan is over.
wait_for 60 "row 2 to turn teal" pixel_is 290 169 $teal

# Row 1's Title is active. A step right to Artist; then each column: every row, the value, and
# Enter, which goes on to the next column.
press Right
press ctrl+a
type_text "The Quiet Orchestra"
press Return ctrl+a
type_text "Rooms Without Doors"
press Return ctrl+a
type_text "2026"
press Return
# The track numbers, 1 to 12 in the order shown, without showing the Track column.
press ctrl+a ctrl+t
press ctrl+s
end_job 20 album_job
/usr/bin/python3 - "$music" <<'PY' || fail "mutagen reads other tags than were typed"
import sys
from mutagen.id3 import ID3
for n in range(1, 13):
    # mutagen reads the year of a version 2.3 tag (TYER) as TDRC.
    tag = ID3(f"{sys.argv[1]}/{n:02d} Song {n}.mp3")
    got = [str(tag.get(k, "")) for k in ("TIT2", "TPE1", "TALB", "TDRC", "TRCK")]
    want = [f"Song {n}", "The Quiet Orchestra", "Rooms Without Doors", "2026", str(n)]
    assert got == want, (n, got, want)
PY
echo "album_job: ok"
