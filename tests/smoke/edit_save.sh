#!/usr/bin/env bash
# A person's first session: scan a folder, type a new title into the first row, save with
# Ctrl+S, answer the box with its letter key, close. An independent reader (mutagen) then sees
# the new title in that file and the old one in the other.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/music
mkdir -p "$music"
/usr/bin/python3 - "$music/one.mp3" "$music/two.mp3" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2
for path in sys.argv[1:]:
    with open(path, "wb") as f:
        f.write(b"\xff\xfb\x90\x00" + bytes(4000))
    tag = ID3()
    tag.add(TIT2(encoding=0, text="Old Title"))
    tag.save(path, v2_version=3)
PY
# Start in folder mode on the music folder.
write_folder_settings "$music" 0

# In folder mode the table starts 113 px down; below its header, row 1 is 22 px high. The
# Artist column (x 151 to 300) holds no text here, so its colour is the row's.
teal='#008080'
row1_y=147
row2_y=169
artist_x=290

start_tunemark
press_scan
# Row 2 only exists once the scan is over, when the table has the focus and row 1 is active.
wait_for 60 "row 1 to turn teal" pixel_is $artist_x $row1_y $teal
wait_for 60 "row 2 to turn teal" pixel_is $artist_x $row2_y $teal
# Typing replaces the title of the active cell; the pointer rests on the window, which has the
# keys.
xdotool type --delay 30 "New Title"
xdotool key Return ctrl+s
answer_information_box edit_save_box
press_close
expect_exit_zero

titles=$(/usr/bin/python3 -c '
import sys
from mutagen.id3 import ID3
print(" ".join(sorted(ID3(p)["TIT2"].text[0].replace(" ", "_") for p in sys.argv[1:])))
' "$music/one.mp3" "$music/two.mp3")
[ "$titles" = "New_Title Old_Title" ] || fail "mutagen reads the titles $titles"
echo "edit_save: ok"
