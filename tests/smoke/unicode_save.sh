#!/usr/bin/env bash
# Files tagged the way common tools tag them (ID3v2.4 in UTF-8, ID3v2.3 in UTF-16 and in
# Latin-1, Cyrillic, Chinese and Greek texts, pictures, lyrics, user texts, ratings, ids): scan
# them, type a new year into every row, save. An independent reader (mutagen) then finds the new
# year in each file, every other frame as it was, and the audio untouched.
source "$(dirname "$0")/xsession.sh" "$@"

music=$WORK/music
mkdir -p "$music"
/usr/bin/python3 - "$music" <<'PY'
import os, pickle, sys
from mutagen.id3 import (APIC, COMM, ID3, POPM, PRIV, TALB, TCON, TDRC, TIT2, TPE1, TPE2, TPOS,
                         TRCK, TXXX, TYER, UFID, USLT)
folder = sys.argv[1]
styles = [
    ("utf8.mp3", 4, 3, "Кино", "Группа крови", "Звезда по имени Солнце"),
    ("utf16.mp3", 3, 1, "王菲", "红豆", "唱游"),
    ("latin1.mp3", 3, 0, "Café Noir", "Señor", "Déjà vu"),
    ("greek.mp3", 4, 3, "Μίκης", "Ζορμπάς", "Ελλάδα"),
]
originals = {}
for i, (name, version, enc, artist, title, album) in enumerate(styles):
    path = os.path.join(folder, name)
    audio = bytes((i * 7 + n) % 251 for n in range(6000))
    with open(path, "wb") as f:
        f.write(audio)
    tag = ID3()
    tag.add(TIT2(encoding=enc, text=title))
    tag.add(TPE1(encoding=enc, text=artist))
    tag.add(TALB(encoding=enc, text=album))
    tag.add(TRCK(encoding=0, text="3/12"))
    tag.add((TDRC if version == 4 else TYER)(encoding=0, text="1999"))
    tag.add(TCON(encoding=0, text="(17)Rock"))
    tag.add(COMM(encoding=enc, lang="eng", desc="", text=title + " comment"))
    tag.add(COMM(encoding=enc, lang="deu", desc="iTunNORM", text=" 0000 1111"))
    tag.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=b"\x89PNG" + audio[:800]))
    tag.add(USLT(encoding=enc, lang="eng", desc="", text=album + "\nla la"))
    tag.add(TXXX(encoding=enc, desc="MOOD", text=artist))
    tag.add(POPM(email="someone@example.org", rating=196, count=7))
    tag.add(TPOS(encoding=0, text="1/2"))
    tag.add(TPE2(encoding=enc, text=artist))
    tag.add(UFID(owner="http://musicbrainz.org", data=b"ufid-%d" % i))
    tag.add(PRIV(owner="private", data=b"\x00\x01\x02" * 10))
    tag.save(path, v2_version=version)
    originals[name] = (version, audio, {k: repr(f) for k, f in ID3(path, translate=False).items()})
with open(os.path.join(folder, "..", "originals.pickle"), "wb") as f:
    pickle.dump(originals, f)
PY
# Tall enough to show every row.
write_folder_settings "$music" 0 Height=400

# In folder mode the table starts 113 px down; below its header each row is 22 px high. The
# Artist column (x 151 to 300) is wider than these artists, so x 290 shows the row's colour.
teal='#008080'
artist_x=290
rows=4

start_tunemark
press_scan
for row in $(seq "$rows"); do
  wait_for 60 "row $row to turn teal" pixel_is $artist_x $((147 + (row - 1) * 22)) $teal
done
# Row 1, Title is active: go to its Year, then type a year into every row, moving down.
xdotool key Right Right Right
for row in $(seq "$rows"); do
  xdotool type --delay 30 "200$row"
  xdotool key Return Down Left
done
xdotool key ctrl+s
answer_information_box unicode_save_box
press_close
expect_exit_zero

/usr/bin/python3 - "$music" <<'PY' || fail "mutagen finds the files changed beyond their year"
import os, pickle, sys
from mutagen.id3 import ID3
folder = sys.argv[1]
with open(os.path.join(folder, "..", "originals.pickle"), "rb") as f:
    originals = pickle.load(f)
years = set()
for name, (version, audio, frames) in originals.items():
    path = os.path.join(folder, name)
    tag = ID3(path, translate=False)
    year_id = "TDRC" if version == 4 else "TYER"
    assert tag.version[1] == version, (name, tag.version)
    now = {k: repr(f) for k, f in tag.items()}
    year = str(tag[year_id].text[0])
    assert year in {"2001", "2002", "2003", "2004"}, (name, year)
    years.add(year)
    del now[year_id]
    del frames[year_id]
    assert now == frames, (name, set(now.items()) ^ set(frames.items()))
    with open(path, "rb") as f:
        data = f.read()
    assert data.endswith(audio) and len(data) - len(audio) == tag.size, name
assert len(years) == len(originals), years
PY
echo "unicode_save: ok"
