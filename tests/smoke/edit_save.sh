#!/usr/bin/env bash
# A person's first session: scan a folder, type a new title into the first row, press Save,
# answer the box, close. An independent reader (mutagen) then sees the new title in the file.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/music
mkdir -p "$music" "$XDG_CONFIG_HOME/Weldrake"
/usr/bin/python3 - "$music/song.mp3" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1
path = sys.argv[1]
with open(path, "wb") as f:
    f.write(b"\xff\xfb\x90\x00" + bytes(4000))
tag = ID3()
tag.add(TIT2(encoding=0, text="Old Title"))
tag.add(TPE1(encoding=0, text="Some Artist"))
tag.save(path, v2_version=3)
PY
# Start in folder mode on the music folder.
cat >"$XDG_CONFIG_HOME/Weldrake/Tunemark.conf" <<CONF
[Display%20data]
Entire%20Drive=0
Subdirectories=0
ScanDir=$music
CONF

start_tunemark
press_scan
sleep 1
# The first row is active and the table has the focus: typing replaces the title.
xdotool type --delay 30 "New Title"
xdotool key Return
sleep 0.3
screenshot edit_save_typed
press_save
box=
for _ in $(seq 50); do
  box=$(xdotool search --onlyvisible --name '^Information$' 2>/dev/null | head -n 1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || { echo "no Information box after Save"; screenshot edit_save_nobox; exit 1; }
screenshot edit_save_box
xdotool key Return
sleep 0.5
press_close
expect_exit_zero

title=$(/usr/bin/python3 -c 'import sys; from mutagen.id3 import ID3; print(ID3(sys.argv[1])["TIT2"].text[0])' "$music/song.mp3")
[ "$title" = "New Title" ] || { echo "mutagen reads title '$title'"; exit 1; }
echo "edit_save: ok"
