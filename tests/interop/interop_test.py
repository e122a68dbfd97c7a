#!/usr/bin/python3
"""Tags that Tunemark writes are read by independent readers (mutagen, the id3v2 tool), and tags
that mutagen writes are read by Tunemark, with the values each side expects. The audio behind a
tag is never touched. Tunemark is driven through the tagtool program beside this script.

    interop_test.py --tagtool PATH

Exits 77 (skipped) when mutagen is not installed.
"""

import argparse
import codecs
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SKIPPED = 77
try:
    from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TDRC, TIT2, TPE1, TPE2, TRCK, TYER
except ImportError:
    print("mutagen is missing (python3-mutagen): interoperability tests skipped")
    sys.exit(SKIPPED)

TAGTOOL = None  # set by main()

# MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417-byte frames.
FRAME_HEADER = b"\xff\xfb\x90\x64"
# What Tunemark trims from both ends of an ID3v2 text: the characters 0x00 to 0x20.
CONTROL_AND_SPACE = "".join(map(chr, range(0x21)))


def mpeg_audio(frames, seed):
    rng = random.Random(seed)
    return b"".join(FRAME_HEADER + rng.randbytes(413) for _ in range(frames))


def v1_block(title=b"", artist=b"", album=b"", year=b"", comment=b"", track=0, genre=255):
    """An ID3v1.1 block: 28-byte comment, a 0 byte, then track and genre bytes."""
    def field(text, width):
        return text[:width].ljust(width, b"\0")
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
            + field(comment, 28) + b"\0" + bytes([track, genre]))


def v2_tag_end(data):
    """Offset just past the ID3v2 tag at the start of data (its declared size), 0 without one."""
    if data[:3] != b"ID3":
        return 0
    size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
    return 10 + size


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def tunemark_read(path):
    """The fields tagtool prints, as UTF-8 bytes."""
    run = subprocess.run([TAGTOOL, "read", path], capture_output=True, check=True)
    fields = {}
    for line in run.stdout.splitlines():
        key, _, value = line.partition(b"=")
        fields[key.decode()] = codecs.escape_decode(value)[0]
    return fields


def tunemark_set(path, *settings):
    """Sets fields through tagtool and saves; settings are str or UTF-8 bytes."""
    args = [s.encode("utf-8") if isinstance(s, str) else s for s in settings]
    run = subprocess.run([TAGTOOL, "set", path, *args], capture_output=True)
    if run.returncode != 0:
        raise AssertionError(f"tagtool set failed ({run.returncode}): {run.stderr.decode()}")


def mutagen_v2(path):
    """The file's ID3v2 tag as mutagen reads it, frames as stored (no upgrade to 2.4)."""
    return ID3(path, translate=False, load_v1=False)


def id3v2_tool_frames(path):
    """Frame id -> text of the ID3v2 frames that `id3v2 -l` lists."""
    run = subprocess.run(["id3v2", "-l", path], capture_output=True, check=True)
    frames = {}
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        match = re.match(r"^([A-Z0-9]{4}) \(.*?\): (.*)$", line)
        if match:
            frames[match.group(1)] = match.group(2)
    return frames


def texts(tags):
    """Frame id -> first text of every text and comment frame; fails on duplicate ids."""
    found = {}
    for frame in tags.values():
        assert frame.FrameID not in found, f"two {frame.FrameID} frames"
        if hasattr(frame, "text"):
            found[frame.FrameID] = str(frame.text[0])
    return found


class InteropCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tunemark-interop-")
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def assertNoTemporaryLeft(self):
        self.assertEqual([n for n in os.listdir(self.dir) if n.endswith("~")], [])

    def assertValidV23(self, tags):
        self.assertEqual(tags.version, (2, 3, 0))
        self.assertEqual(tags.unknown_frames, [])
        for frame in tags.values():
            self.assertEqual(frame.encoding, 0, f"{frame.FrameID} is not ISO-8859-1")


class TunemarkWritesOthersRead(InteropCase):
    def test_edited_v23_tag_is_read_by_mutagen_and_id3v2(self):
        path = self.path("edit.mp3")
        tags = ID3()
        tags.add(TIT2(encoding=0, text="Harbour Lights"))
        tags.add(TPE1(encoding=0, text="The Quiet Ferns"))
        tags.add(TALB(encoding=0, text="Low Tide"))
        tags.add(TRCK(encoding=0, text="5/12"))
        tags.add(TYER(encoding=0, text="1999"))
        tags.add(TCON(encoding=0, text="(17)Rock"))
        tags.add(COMM(encoding=0, lang="eng", desc="", text="First take"))
        tags.add(TPE2(encoding=0, text="Band"))  # a frame Tunemark does not keep
        # The trailing ID3v1 block belongs to the audio: an ID3v2 save copies it unchanged.
        write_bytes(path, mpeg_audio(300, seed=1) + v1_block(title=b"Old v1 title", genre=17))
        tags.save(path, v2_version=3, v1=1, padding=lambda _: 512)
        before = read_bytes(path)
        audio = before[v2_tag_end(before):]

        tunemark_set(path, "title=Caf\xe9 \xabNoir\xbb, \xbd past two", "album=Marée basse")

        data = read_bytes(path)
        self.assertEqual(data[v2_tag_end(data):], audio)
        self.assertNoTemporaryLeft()
        result = mutagen_v2(path)
        self.assertValidV23(result)
        self.assertEqual(texts(result), {
            "TIT2": "Caf\xe9 \xabNoir\xbb, \xbd past two", "TPE1": "The Quiet Ferns",
            "TALB": "Marée basse", "TRCK": "5", "TYER": "1999", "TCON": "Rock",
            "COMM": "First take"})
        self.assertEqual(result.getall("COMM")[0].lang, "eng")
        self.assertEqual(result.getall("COMM")[0].desc, "")

        tool = id3v2_tool_frames(path)
        self.assertEqual(tool["TIT2"], "Caf\xe9 \xabNoir\xbb, \xbd past two")
        self.assertEqual(tool["TALB"], "Marée basse")
        self.assertEqual(tool["TRCK"], "5")
        self.assertEqual(tool["COMM"], "()[eng]: First take")

    def test_v1_block_converted_to_v23(self):
        path = self.path("convert.mp3")
        block = v1_block(title=b"Caf\xe9 society", artist=b"Nobody", album=b"Somewhere",
                         year=b"1987", comment=b"From the block", track=4, genre=17)
        audio = mpeg_audio(200, seed=2) + block
        write_bytes(path, audio)
        long_title = "A title far longer than thirty characters, kept whole"

        tunemark_set(path, "--convert", "title=" + long_title)

        data = read_bytes(path)
        # The block stays behind the audio; the ID3v2 tag in front now wins.
        self.assertEqual(data[v2_tag_end(data):], audio)
        result = mutagen_v2(path)
        self.assertValidV23(result)
        # Conversion keeps the five texts and drops the block's track and genre.
        self.assertEqual(texts(result), {
            "TIT2": long_title, "TPE1": "Nobody", "TALB": "Somewhere", "TYER": "1987",
            "COMM": "From the block"})
        read_back = tunemark_read(path)
        self.assertEqual(read_back["version2"], b"1")
        self.assertEqual(read_back["title"], long_title.encode("utf-8"))

    def test_v1_block_written_is_read_by_mutagen(self):
        cases = [
            # name, block already in the file (or None), settings, expected mutagen texts
            ("appended to a file without tag", None,
             ["title=Caf\xe9 Olé", "artist=Ann Example", "album=Tests", "year=2001",
              "comment=short"],
             {"TIT2": "Caf\xe9 Olé", "TPE1": "Ann Example", "TALB": "Tests", "TYER": "2001",
              "COMM": "short", "TCON": "Blues"}),  # a new block has genre byte 0
            ("over an existing block, genre and track kept",
             v1_block(title=b"Hello World", artist=b"Someone", album=b"An Album", year=b"1975",
                      comment=b"Stays", track=7, genre=17),
             ["title=Hi", "year=1976"],
             {"TIT2": "Hi", "TPE1": "Someone", "TALB": "An Album", "TYER": "1976",
              "COMM": "Stays", "TRCK": "7", "TCON": "Rock"}),
            ("thirty characters fill a field", v1_block(title=b"x"),
             ["title=" + "T" * 35, "artist=" + "A" * 30],
             {"TIT2": "T" * 30, "TPE1": "A" * 30}),
        ]
        for name, block, settings, expected in cases:
            with self.subTest(name):
                path = self.path("v1.mp3")
                audio = mpeg_audio(100, seed=3)
                write_bytes(path, audio + (block or b""))

                tunemark_set(path, *settings)

                data = read_bytes(path)
                self.assertEqual(len(data), len(audio) + 128)
                self.assertEqual(data[:len(audio)], audio)
                tags = ID3(path, translate=False, v2_version=3)
                found = texts(tags)
                if "TCON" in found:
                    found["TCON"] = tags["TCON"].genres[0]
                self.assertEqual(found, expected)

    def test_v1_block_is_read_by_id3v2_tool(self):
        path = self.path("tool.mp3")
        write_bytes(path, mpeg_audio(50, seed=4))
        tunemark_set(path, "title=Tool check", "artist=Second reader", "year=2010")
        listing = subprocess.run(["id3v2", "-l", path], capture_output=True,
                                 check=True).stdout.decode("latin-1")
        self.assertIn("id3v1 tag info", listing)
        self.assertRegex(listing, r"Title  : Tool check\s+Artist: Second reader")
        self.assertIn("Year: 2010", listing)


class MutagenWritesTunemarkReads(InteropCase):
    def test_latin1_v23_tag_values(self):
        cases = [
            # title, artist, album, year, comment, TRCK, TCON, expected track, expected genre
            ("Harbour Lights", "The Quiet Ferns", "Low Tide", "1999", "Nice", "3/12", "Jazz",
             b"3", b"Jazz"),
            ("\xc7a va, se\xf1or \xa9 \xbd", "M\xfcller & S\xf8n", "\xc0 la fa\xe7on", "1975",
             "\xdf\xe6\xff", "07", "(17)Rock", b"7", b"Rock"),
            ("  Spaced out  ", "A", "B", "2020", "  padded  ", "12", "(4)(17)Disco Rock",
             b"12", b"Disco Rock"),
            ("T" * 300, "x", "y", "1", "z", "0x1F", "(13)", b"31", b""),
        ]
        for title, artist, album, year, comment, track, genre, want_track, want_genre in cases:
            with self.subTest(title[:20]):
                path = self.path("latin1.mp3")
                write_bytes(path, mpeg_audio(20, seed=5))
                tags = ID3()
                tags.add(TIT2(encoding=0, text=title))
                tags.add(TPE1(encoding=0, text=artist))
                tags.add(TALB(encoding=0, text=album))
                tags.add(TYER(encoding=0, text=year))
                tags.add(TRCK(encoding=0, text=track))
                tags.add(TCON(encoding=0, text=genre))
                tags.add(COMM(encoding=0, lang="eng", desc="", text=comment))
                tags.save(path, v2_version=3)

                got = tunemark_read(path)

                def latin1(text):
                    return text.strip(CONTROL_AND_SPACE).encode("utf-8")
                self.assertEqual(got["version2"], b"1")
                self.assertEqual(got["version"], b"3")
                # A frame body is read up to 250 bytes: the encoding byte and 249 characters.
                self.assertEqual(got["title"], latin1(title)[:249])
                self.assertEqual(got["artist"], latin1(artist))
                self.assertEqual(got["album"], latin1(album))
                self.assertEqual(got["year"], latin1(year))
                self.assertEqual(got["comment"], latin1(comment))
                self.assertEqual(got["track"], want_track)
                self.assertEqual(got["genre"], want_genre)

    def test_v24_tag_with_pictures_is_replaced_by_v23_on_save(self):
        path = self.path("v24.mp3")
        audio = mpeg_audio(250, seed=6)
        write_bytes(path, audio)
        tags = ID3()
        tags.add(TIT2(encoding=3, text="Unicode \u263a title"))
        tags.add(TPE1(encoding=3, text="Artist"))
        tags.add(TDRC(encoding=3, text="2004"))
        rng = random.Random(7)
        for kind, size in ((3, 40 * 1024), (4, 25 * 1024)):
            tags.add(APIC(encoding=0, mime="image/jpeg", type=kind, desc=f"p{kind}",
                          data=b"\xff\xd8\xff\xe0" + rng.randbytes(size)))
        tags.save(path, v2_version=4, padding=lambda _: 2048)

        held = tunemark_read(path)
        self.assertEqual((held["version2"], held["hastitle"], held["version"]), (b"1", b"0", b"4"))
        for field in ("title", "artist", "album", "year", "comment", "genre"):
            self.assertEqual(held[field], b"", field)
        self.assertEqual(held["track"], b"0")

        tunemark_set(path, "title=New title", "comment=Now 2.3")

        data = read_bytes(path)
        self.assertEqual(data[3], 3)
        self.assertEqual(data[v2_tag_end(data):], audio)
        self.assertNoTemporaryLeft()
        result = mutagen_v2(path)
        self.assertValidV23(result)
        # Only the values set since the read: pictures and the old texts are gone.
        self.assertEqual(texts(result), {"TIT2": "New title", "COMM": "Now 2.3"})
        self.assertEqual(result.getall("APIC"), [])
        self.assertEqual(id3v2_tool_frames(path),
                         {"TIT2": "New title", "COMM": "()[eng]: Now 2.3"})


def main():
    global TAGTOOL
    parser = argparse.ArgumentParser()
    parser.add_argument("--tagtool", required=True)
    args, rest = parser.parse_known_args()
    TAGTOOL = os.path.abspath(args.tagtool)
    if shutil.which("id3v2") is None:
        sys.exit("the id3v2 tool is missing (scripts/setup.sh installs it)")
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
