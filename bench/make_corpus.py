#!/usr/bin/python3
"""Makes a seeded corpus of realistic MP3 files for the benchmarks.

Files lie in artist/album[/disc]/track.mp3 folders, a few of them named *.MP3. Each file has
MPEG-1 Layer III frames as its audio and one of these tag layouts:

  v23       ID3v2.3 with 4 to 7 text frames; some with a 20-100 KiB picture and padding
  v24       ID3v2.4 (UTF-8 texts, TDRC), some with a picture and padding, some in Cyrillic,
            Chinese or Greek
  v23u16    ID3v2.3 in UTF-16, texts in Cyrillic, Chinese, Greek or Latin, with the frames
            common tools add (lyrics, user text, rating, disc, album artist, ids)
  v22       ID3v2.2 made by hand (mutagen writes no 2.2), UTF-16 or ISO-8859-1, some with a
            picture
  v1        an ID3v1 block only
  v23+v1    ID3v2.3 and an ID3v1 block
  none      no tag at all

Run with /usr/bin/python3 (Debian's mutagen). The same --seed and --count give the same files.
A corpus of a million files fits a common machine with small audio (--frames 1,3: about 14 GB
on disk, most of it pictures); the generator checks the free space and inodes before it starts.
"""

import argparse
import io
import os
import random
import sys
import time

try:
    from mutagen.id3 import (APIC, COMM, ID3, POPM, PRIV, TALB, TCON, TDRC, TIT2, TPE1, TPE2,
                             TPOS, TRCK, TXXX, TYER, UFID, USLT, MakeID3v1)
except ImportError:
    sys.exit("make_corpus: mutagen is missing (apt-get install python3-mutagen, "
             "and run this with /usr/bin/python3)")

# MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo: 417 bytes per frame, header included.
FRAME_HEADER = b"\xff\xfb\x90\x64"
FRAME_BODY = 417 - len(FRAME_HEADER)

KINDS = [("v23", 45), ("v24", 10), ("v23u16", 8), ("v22", 5), ("v1", 12), ("v23+v1", 12),
         ("none", 8)]
STAMP = ".corpus-done"

WORDS = ("night love blue river song dream fire road heart city rain summer light dark stone "
         "gold silver ocean wind shadow garden winter morning echo velvet paper glass crème "
         "señor café über naïve déjà smörgås").split()
# Words of the scripts that need UTF-16 or UTF-8.
SCRIPTS = {
    "cyrillic": "ночь любовь река песня мечта огонь дорога сердце город дождь лето свет".split(),
    "chinese": "夜 爱 蓝 河 歌 梦 火 路 心 城 雨 夏 光 暗 石 金 海 风".split(),
    "greek": "νύχτα αγάπη ποτάμι τραγούδι όνειρο φωτιά δρόμος καρδιά πόλη βροχή".split(),
}
GENRES = ["Rock", "Pop", "Jazz", "(17)Rock", "(13)", "Blues", "(4)(17)Disco Rock", "Classical",
          "Metal", "Folk", "Electronic", "Hip-Hop"]


class Corpus:
    def __init__(self, rng, frames_range):
        self.rng = rng
        self.frames_range = frames_range
        self.pool = rng.randbytes(1 << 22)  # random bytes sliced into frame bodies and pictures

    def words(self, lo, hi, pool=WORDS):
        return " ".join(self.rng.choice(pool) for _ in range(self.rng.randint(lo, hi))).title()

    def unicode_meta(self, meta):
        """The same metadata in a script outside Windows-1252 (chosen by chance)."""
        pool = SCRIPTS[self.rng.choice(sorted(SCRIPTS))]
        return dict(meta, title=self.words(1, 5, pool), artist=self.words(1, 3, pool),
                    album=self.words(1, 4, pool))

    def chunk(self, size):
        start = self.rng.randrange(len(self.pool) - size)
        return self.pool[start:start + size]

    def audio(self):
        count = self.rng.randint(*self.frames_range)
        return b"".join(FRAME_HEADER + self.chunk(FRAME_BODY) for _ in range(count))

    def picture(self):
        # A JPEG start-of-image and JFIF marker in front of noise: enough to look like a cover.
        size = self.rng.randint(20 * 1024, 100 * 1024)
        return b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + self.chunk(size - 11)

    def text_frames(self, meta, v24, enc=None):
        """Title, artist and album always; track, year, genre and comment as chance has it."""
        if enc is None:
            enc = 3 if v24 else (1 if self.rng.random() < 0.1 else 0)
        frames = [TIT2(encoding=enc, text=meta["title"]),
                  TPE1(encoding=enc, text=meta["artist"]),
                  TALB(encoding=enc, text=meta["album"])]
        extra = [TRCK(encoding=enc, text=meta["track"]),
                 (TDRC if v24 else TYER)(encoding=enc, text=meta["year"]),
                 TCON(encoding=enc, text=self.rng.choice(GENRES)),
                 COMM(encoding=enc, lang="eng", desc="", text=self.words(3, 12))]
        self.rng.shuffle(extra)
        return frames + extra[:self.rng.randint(1, 4)]

    def common_tool_frames(self, enc):
        """Frames common tools add beside the texts."""
        return [COMM(encoding=enc, lang="eng", desc="iTunNORM", text=" 00000A1B 00000B2C"),
                USLT(encoding=enc, lang="eng", desc="", text=self.words(20, 60)),
                TXXX(encoding=enc, desc="MOOD", text=self.words(1, 2)),
                POPM(email="rater@example.org", rating=self.rng.randint(1, 255), count=3),
                TPOS(encoding=enc, text="1/1"), TPE2(encoding=enc, text=self.words(1, 3)),
                UFID(owner="http://musicbrainz.org", data=self.rng.randbytes(18).hex().encode()),
                PRIV(owner="WM/MediaClassPrimaryID", data=self.rng.randbytes(16))]

    def id3v2(self, audio, meta, version, with_v1, enc=None, common=False):
        tags = ID3()
        for frame in self.text_frames(meta, version == 4, enc):
            tags.add(frame)
        if common:
            for frame in self.common_tool_frames(enc):
                tags.add(frame)
        padding = 0
        if self.rng.random() < 0.2:
            tags.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=self.picture()))
            padding = self.rng.randint(256, 4096)
        elif self.rng.random() < 0.3:
            padding = self.rng.randint(64, 2048)
        buf = io.BytesIO(audio)
        # Saving through a memory file spares one rewrite on disk per file.
        tags.save(buf, v1=2 if with_v1 else 0, v2_version=version, padding=lambda _: padding)
        return buf.getvalue()

    def id3v22(self, audio, meta):
        """A version 2.2 tag: three-byte ids and sizes, no flags."""
        unicode = self.rng.random() < 0.5

        def text(value):
            return b"\x01" + value.encode("utf-16") if unicode else b"\x00" + value.encode("latin-1")

        def frame(fid, body):
            return fid + len(body).to_bytes(3, "big") + body
        if unicode:
            meta = self.unicode_meta(meta)
        frames = [frame(b"TT2", text(meta["title"])), frame(b"TP1", text(meta["artist"])),
                  frame(b"TAL", text(meta["album"])), frame(b"TRK", b"\x00" + meta["track"].encode()),
                  frame(b"TYE", b"\x00" + meta["year"].encode()),
                  frame(b"COM", b"\x00eng\x00" + self.words(3, 12).encode("latin-1"))]
        padding = 0
        if self.rng.random() < 0.2:
            frames.append(frame(b"PIC", b"\x00JPG\x03\x00" + self.picture()))
            padding = self.rng.randint(256, 4096)
        body = b"".join(frames) + bytes(padding)
        size = bytes((len(body) >> shift) & 0x7F for shift in (21, 14, 7, 0))
        return b"ID3\x02\x00\x00" + size + body + audio

    def id3v1(self, audio, meta):
        tags = ID3()
        for frame in self.text_frames(meta, False):
            tags.add(frame)
        return audio + MakeID3v1(tags)

    def file_bytes(self, kind, meta):
        audio = self.audio()
        if kind == "v23":
            return self.id3v2(audio, meta, 3, False)
        if kind == "v24":
            if self.rng.random() < 0.3:
                meta = self.unicode_meta(meta)
            return self.id3v2(audio, meta, 4, False)
        if kind == "v23u16":
            if self.rng.random() < 0.75:
                meta = self.unicode_meta(meta)
            return self.id3v2(audio, meta, 3, False, enc=1, common=True)
        if kind == "v22":
            return self.id3v22(audio, meta)
        if kind == "v23+v1":
            return self.id3v2(audio, meta, 3, True)
        if kind == "v1":
            return self.id3v1(audio, meta)
        return audio


def safe_name(text):
    return "".join(c if c.isalnum() or c in " -_" else "_" for c in text).strip() or "x"


def folders(corpus, count):
    """Yields (folder, album metadata, tracks in it) until count tracks are placed."""
    rng = corpus.rng
    placed = 0
    artist_no = 0
    while placed < count:
        artist_no += 1
        artist = corpus.words(1, 3)
        artist_dir = f"{artist_no:04d} {safe_name(artist)}"
        for album_no in range(1, rng.randint(1, 5) + 1):
            album = corpus.words(1, 4)
            album_dir = os.path.join(artist_dir, f"{album_no:02d} {safe_name(album)}")
            discs = rng.randint(2, 3) if rng.random() < 0.07 else 1
            for disc in range(1, discs + 1):
                folder = album_dir if discs == 1 else os.path.join(album_dir, f"CD{disc}")
                tracks = min(rng.randint(8, 20), count - placed)
                if tracks <= 0:
                    return
                yield folder, {"artist": artist, "album": album,
                               "year": str(rng.randint(1960, 2024))}, tracks
                placed += tracks


def expected_bytes(count, frames_range):
    """About what a corpus takes on disk: audio, the pictures of about one file in seven, and a
    block of the file system per file and per folder."""
    audio = (frames_range[0] + frames_range[1]) / 2 * 417
    return int(count * (audio + 60 * 1024 / 7 + 4096) + count / 13 * 4096)


def check_room(out, count, frames_range):
    """Stops before a corpus that would fill the disk or run out of inodes half-way."""
    parent = out
    while not os.path.isdir(parent):
        parent = os.path.dirname(parent) or "."
    room = os.statvfs(parent)
    need = expected_bytes(count, frames_range)
    free = room.f_bavail * room.f_frsize
    # A tenth of the disk stays free for the rest of the machine.
    keep = room.f_blocks * room.f_frsize // 10
    if need > free - keep:
        sys.exit(f"make_corpus: {count} files need about {need / 1e9:.1f} GB; {parent} has "
                 f"{free / 1e9:.1f} GB free (try smaller audio: --frames 1,3)")
    if room.f_files and count * 1.1 > room.f_favail:
        sys.exit(f"make_corpus: {count} files need as many inodes; {parent} has "
                 f"{room.f_favail} free")


def make(out, count, seed, frames_range):
    rng = random.Random(seed)
    corpus = Corpus(rng, frames_range)
    kinds, weights = zip(*KINDS)
    made = dict.fromkeys(kinds, 0)
    total_bytes = 0
    folder_count = 0
    upper = 0
    start = time.monotonic()
    for folder, album, tracks in folders(corpus, count):
        path = os.path.join(out, folder)
        os.makedirs(path, exist_ok=True)
        folder_count += 1
        for number in range(1, tracks + 1):
            title = corpus.words(1, 5)
            meta = dict(album, title=title, track=f"{number}/{tracks}")
            kind = rng.choices(kinds, weights)[0]
            data = corpus.file_bytes(kind, meta)
            ext = ".MP3" if rng.random() < 0.05 else ".mp3"
            upper += ext == ".MP3"
            with open(os.path.join(path, f"{number:02d} {safe_name(title)}{ext}"), "wb") as f:
                f.write(data)
            made[kind] += 1
            total_bytes += len(data)
    with open(os.path.join(out, STAMP), "w") as f:
        f.write(f"count={count} seed={seed} frames={frames_range[0]},{frames_range[1]}\n")
    seconds = time.monotonic() - start
    print(f"made {count} files in {folder_count} folders under {out} "
          f"({total_bytes / 1e6:.0f} MB, {seconds:.1f} s)")
    print("  " + ", ".join(f"{kind}: {n}" for kind, n in made.items()) + f"; named .MP3: {upper}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="folder to fill; must be empty or missing")
    parser.add_argument("--count", type=int, default=20000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--frames", default="40,200",
                        help="audio frames per file, lo,hi (417 bytes each; default 40,200)")
    args = parser.parse_args()
    lo, hi = (int(x) for x in args.frames.split(","))
    if args.count < 1 or not 1 <= lo <= hi:
        parser.error("--count must be positive and --frames lo,hi with 1 <= lo <= hi")
    if os.path.isdir(args.out) and os.listdir(args.out):
        parser.error(f"{args.out} is not empty")
    check_room(args.out, args.count, (lo, hi))
    make(args.out, args.count, args.seed, (lo, hi))


if __name__ == "__main__":
    main()
