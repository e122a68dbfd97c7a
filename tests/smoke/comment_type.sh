#!/usr/bin/env bash
# Typing on a version 2 Comment cell: the comment dialog opens with the first letter in place of
# the comment and takes the rest of the word, also the letters typed before it has the keyboard.
# Left with Tab, Space, it still gives its text area the keys at the next opening. An
# independent reader (mutagen) then finds the comment typed.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/music
mkdir -p "$music"
/usr/bin/python3 - "$music/one.mp3" <<'PY'
import sys
from mutagen.id3 import COMM, ID3, TIT2
path = sys.argv[1]
with open(path, "wb") as f:
    f.write(b"\xff\xfb\x90\x00" + bytes(4000))
tag = ID3()
tag.add(TIT2(encoding=0, text="Title"))
tag.add(COMM(encoding=0, lang="eng", desc="", text="Old comment"))
tag.save(path, v2_version=3)
PY
write_folder_settings "$music" 0

# In folder mode row 1 of the table is 147 px down; the Comment column starts at x 487.
teal='#008080'
row1_y=147
comment_x=560

# Leaves the comment dialog with Tab, Space: OK.
leave_with_ok() {
  wait_for 60 "the comment dialog" visible_window Comment >/dev/null
  local dialog
  dialog=$(visible_window Comment)
  wait_for 30 "the comment dialog to take the keys" has_focus "$dialog"
  xdotool key Tab space
  wait_for 30 "the comment dialog to close" no_visible_window Comment
}

start_tunemark
press_scan
wait_for 60 "row 1 to turn teal" pixel_is 290 $row1_y $teal
# Row 1, Title is active: go to its Comment and type with no pause between the keys.
xdotool key Right Right Right Right
xdotool type --delay 0 "Nicely typed"
leave_with_ok
xdotool mousemove --window "$WINDOW" $comment_x $row1_y click 1
xdotool key F2
xdotool type --delay 0 " words"
leave_with_ok
press_save
answer_information_box comment_type_box
press_close
expect_exit_zero

comment=$(/usr/bin/python3 -c '
import sys
from mutagen.id3 import ID3
print(ID3(sys.argv[1]).getall("COMM")[0].text[0])
' "$music/one.mp3")
[ "$comment" = "Nicely typed words" ] || fail "mutagen reads the comment \"$comment\""
echo "comment_type: ok"
