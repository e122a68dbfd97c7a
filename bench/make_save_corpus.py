#!/usr/bin/python3
"""Makes a seeded folder of MP3 files for the save benchmarks and kill tests.

Every file is "NNNN.mp3": random audio of a size drawn from --kib, behind one of these tags:

  padded    ID3v2.3 (title, artist, album, year, track) with the padding common tools leave,
            a size drawn from --padding; a save that fits it writes in place
  unpadded  the same tag without padding, as this program wrote it before it padded: a longer
            album no longer fits, so the save rewrites the file
  v1        an ID3v1 block only, overwritten in place
  none      no tag: a save appends an ID3v1 block

  make_save_corpus.py --out DIR --count N [--kinds padded=3,unpadded=1] [--kib 4096,8192]
                      [--padding 1024,4096] [--seed 1]

--kinds gives each kind's weight; files take the kinds in turn, so every mix is spread evenly.
The same arguments give the same bytes. Needs no tag library: the tags are built here.
"""

import argparse
import os
import random
import struct

WORDS = "night love blue river song dream fire road heart city rain summer light stone".split()


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def text_frame(frame_id, text):
    body = b"\x00" + text.encode("latin-1")  # ISO-8859-1
    return frame_id.encode() + struct.pack(">I", len(body)) + b"\x00\x00" + body


def id3v23(fields, padding):
    frames = b"".join(text_frame(i, fields[k]) for i, k in
                      (("TIT2", "title"), ("TPE1", "artist"), ("TALB", "album"),
                       ("TYER", "year"), ("TRCK", "track")))
    return b"ID3\x03\x00\x00" + syncsafe(len(frames) + padding) + frames + b"\x00" * padding


def id3v1(fields):
    def field(text, width):
        return text.encode("latin-1")[:width].ljust(width, b"\x00")
    return (b"TAG" + field(fields["title"], 30) + field(fields["artist"], 30) +
            field(fields["album"], 30) + field(fields["year"], 4) + field("", 28) + b"\x00" +
            bytes([int(fields["track"])]) + b"\x0c")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--count", type=int, required=True)
    parser.add_argument("--kinds", default="padded=1")
    parser.add_argument("--kib", default="4096,8192")
    parser.add_argument("--padding", default="1024,4096")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    kib_lo, kib_hi = (int(v) for v in args.kib.split(","))
    pad_lo, pad_hi = (int(v) for v in args.padding.split(","))
    kinds = []
    for part in args.kinds.split(","):
        name, weight = part.split("=")
        kinds += [name] * int(weight)

    rng = random.Random(args.seed)
    # One block of random audio; each file takes a slice at its own offset, so files differ
    # without paying for fresh random bytes per file.
    audio = rng.randbytes(kib_hi * 1024 * 2)
    os.makedirs(args.out, exist_ok=True)
    for n in range(args.count):
        kind = kinds[n % len(kinds)]
        fields = {"title": " ".join(rng.choice(WORDS).title() for _ in range(rng.randint(1, 4))),
                  "artist": rng.choice(WORDS).title() + " " + rng.choice(WORDS).title(),
                  # Short, so a longer album outgrows an unpadded tag.
                  "album": rng.choice(WORDS).title(),
                  "year": str(rng.randint(1960, 2024)), "track": str(rng.randint(1, 20))}
        size = rng.randint(kib_lo, kib_hi) * 1024
        start = rng.randrange(len(audio) - size + 1)
        body = bytearray(audio[start:start + size])
        body[-128:-125] = b"\x00\x00\x00"  # never an ID3v1 marker by chance
        with open(os.path.join(args.out, "%04d.mp3" % n), "wb") as f:
            if kind == "padded":
                f.write(id3v23(fields, rng.randint(pad_lo, pad_hi)))
            elif kind == "unpadded":
                f.write(id3v23(fields, 0))
            f.write(body)
            if kind == "v1":
                f.write(id3v1(fields))


if __name__ == "__main__":
    main()
