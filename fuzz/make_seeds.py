#!/usr/bin/python3
"""Writes the seed corpus of the fuzz target into fuzz/corpus/: tags written by mutagen, and tags
built here byte by byte, many of them broken on purpose. Each seed is a small file: a tag, a few
hundred bytes standing for audio, sometimes an ID3v1 block. A few are larger than the file
source's 4 KiB windows, so that reads through it refill them.

Run with the system's Python, which has Debian's mutagen: /usr/bin/python3 fuzz/make_seeds.py
"""

import os
import shutil
import tempfile
import zlib

from mutagen.id3 import (APIC, COMM, ID3, POPM, PRIV, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TXXX,
                         USLT, WXXX)

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def be32(n):
    return n.to_bytes(4, "big")


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def header(version, length, flags=0):
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(length)


def frame22(fid, body):
    return fid + len(body).to_bytes(3, "big") + body


def frame23(fid, body, flags=0):
    return fid + be32(len(body)) + flags.to_bytes(2, "big") + body


def frame24(fid, body, flags=0):
    return fid + syncsafe(len(body)) + flags.to_bytes(2, "big") + body


def tag(version, frames, flags=0, padding=0):
    area = frames + bytes(padding)
    return header(version, len(area), flags) + area


def unsync(data):
    """A zero byte behind every 0xFF that a 0x00 or a byte of 0xE0 and up follows, or that ends
    the data."""
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] == 0 or data[i + 1] >= 0xE0):
            out.append(0)
    return bytes(out)


def latin1(text):
    return b"\x00" + text.encode("latin-1")


def utf16(text):
    return b"\x01" + b"\xff\xfe" + text.encode("utf-16-le")


def comment(text, desc=b"", lang=b"eng", encoding=0):
    return bytes([encoding]) + lang + desc + b"\x00" + text


def audio(size):
    """An MPEG audio frame header, then bytes that stand for the rest."""
    body = bytes((0xE0 + i * 7 % 31) for i in range(size))
    return b"\xff\xfb\x90\x00" + body


def block(title=b"", artist=b"", album=b"", year=b"", comm=b"", genre=255, track=None):
    def field(text, width):
        return text[:width].ljust(width, b"\x00")

    if track is not None:
        comm = field(comm, 28) + b"\x00" + bytes([track])
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
            field(comm, 30) + bytes([genre]))


def texts23(title="Title"):
    return (frame23(b"TIT2", latin1(title)) + frame23(b"TPE1", latin1("Artist")) +
            frame23(b"TALB", latin1("Album")) + frame23(b"TYER", latin1("1999")) +
            frame23(b"TRCK", latin1("5/12")) + frame23(b"TCON", latin1("(17)Rock")) +
            frame23(b"COMM", comment(b"A comment")))


def built_seeds():
    seeds = {}
    picture = bytes(range(256)) * 24  # 6 KiB, 0xFF bytes among them
    join = b"".join

    # Version 2.2: three-character ids and sizes, a picture with a format, an encrypted meta
    # frame and a link; the same unsynchronised; a whole-tag compression that was never defined.
    frames22 = join([
        frame22(b"TT2", latin1("Title 2.2")), frame22(b"TP1", utf16("K\u00fcnstler")),
        frame22(b"TAL", latin1("Album")), frame22(b"TYE", latin1("1998")),
        frame22(b"TRK", latin1("3/10")), frame22(b"TCO", latin1("(17)")),
        frame22(b"COM", comment(b"Old comment")),
        frame22(b"PIC", b"\x00JPG\x03\x00" + bytes(range(200, 256))),
        frame22(b"CRM", b"owner\x00explanation\x00" + bytes(8)),
        frame22(b"LNK", b"TT2http://example.org/\x00")])
    seeds["v22-frames"] = tag(2, frames22) + audio(200)
    area = unsync(frames22 + frame22(b"TT1", latin1("\u00ff\u00ff")))
    seeds["v22-unsynchronised"] = header(2, len(area), 0x80) + area + audio(100)
    seeds["v22-compression-flag"] = tag(2, frames22, 0x40) + audio(100)

    # Version 2.3: an extended header (with and without CRC), unsynchronisation of all of it, the
    # flag set without an extended header, padding with garbage behind it.
    png = b"\x00image/png\x00\x03\x00"
    area = unsync(be32(6) + b"\x00\x00" + be32(16) + texts23("\u00ff\u00e0 unsynchronised") +
                  frame23(b"APIC", png + picture[:600]))
    seeds["v23-unsynchronised-extended"] = (header(3, len(area) + 16, 0xC0) + area + bytes(16) +
                                            audio(100))
    crc = be32(10) + b"\x80\x00" + be32(0) + b"\x12\x34\x56\x78"
    seeds["v23-extended-crc"] = tag(3, crc + texts23(), 0x40) + audio(100)
    seeds["v23-extended-flag-without-header"] = tag(3, texts23(), 0x40) + audio(100)
    garbage = texts23() + bytes(40) + b"TIT2garbage" + bytes(9)
    seeds["v23-padding-then-garbage"] = tag(3, garbage) + audio(100)
    # A big unsynchronised tag: the decoding reads through several windows.
    area = unsync(join([frame23(b"TIT2", latin1("Before")), frame23(b"APIC", png + picture),
                        frame23(b"TPE1", latin1("After"))]))
    seeds["v23-unsynchronised-picture"] = header(3, len(area), 0x80) + area + audio(50)

    # Version 2.4: footer and extended header, an extended header with CRC and restrictions,
    # plain sizes where sync-safe ones belong, unsynchronisation of the tag and of one frame.
    frames24 = join([
        frame24(b"TIT2", b"\x03" + "Titel \u00fc\u20ac".encode()),
        frame24(b"TPE1", b"\x03" + "\u041a\u0438\u043d\u043e".encode()),
        frame24(b"TDRC", latin1("2001-02-03T04:05")), frame24(b"TRCK", latin1("7")),
        frame24(b"TCON", latin1("Rock\x00Pop")),
        frame24(b"COMM", comment("\u65e5\u672c\u8a9e".encode(), encoding=3))])
    area = syncsafe(6) + b"\x01\x00" + frames24 + bytes(20)
    footer = b"3DI\x04\x00\x50" + syncsafe(len(area))
    seeds["v24-footer-extended"] = header(4, len(area), 0x50) + area + footer + audio(100)
    # Flags: update, CRC (five bytes), restrictions (one byte).
    extended = syncsafe(15) + b"\x01\x70" + b"\x00" + b"\x05\x01\x02\x03\x04\x05" + b"\x01\x23"
    seeds["v24-extended-crc-restrictions"] = tag(4, extended + frames24, 0x40) + audio(100)
    plain = join([frame23(b"TIT2", latin1("L" * 300)), frame23(b"TPE1", latin1("Plain")),
                  frame23(b"COMM", comment(b"x" * 140))])
    seeds["v24-plain-sizes"] = tag(4, plain) + audio(100)
    own = b"\x00" + "\u00ff\u00ff own".encode("latin-1")
    frames = join([frame24(b"TIT2", unsync(b"\x00\xff\xe0 tag \xff")),
                   frame24(b"TPE1", unsync(syncsafe(len(own)) + own), 0x0003),
                   frame24(b"TALB", unsync(latin1("Album")))])
    seeds["v24-unsynchronised"] = tag(4, frames, 0x80) + audio(100)
    high_bits = b"ID3\x04\x00\x00\xff\xff\xff\xff"
    seeds["v24-header-length-high-bits"] = high_bits + frames24 + audio(100)

    # Compressed frames: 2.3 with the inflated size in front (and a group byte), 2.4 with a
    # sync-safe data length (and a group byte, or without the data-length flag), broken zlib,
    # and texts longer than a listing keeps.
    def deflated(content, level=6, group=b""):
        return be32(len(content)) + group + zlib.compress(content, level)

    frames = join([frame23(b"TIT2", deflated(latin1("Grouped title"), group=b"\x07"), 0x00A0),
                   frame23(b"COMM", deflated(comment(b"Compressed comment")), 0x0080),
                   frame23(b"TPE1", latin1("Plain"))])
    seeds["v23-compressed"] = tag(3, frames) + audio(100)
    frames = join([frame23(b"COMM", be32(50) + b"\x78\x9c\x01\x02garbage", 0x0080),
                   frame23(b"TIT2", deflated(latin1("Cut"))[:-6], 0x0080)])
    seeds["v23-compressed-broken"] = tag(3, frames) + audio(100)
    frames = join([frame23(b"TIT2", deflated(latin1("A" * 70000), 9), 0x0080),
                   frame23(b"COMM", deflated(comment(b"B" * 150000), 9), 0x0080)])
    seeds["v23-compressed-long-text"] = tag(3, frames) + audio(50)
    text = latin1("Compressed 2.4")
    title = syncsafe(len(text)) + zlib.compress(text)
    comm = comment("Gruppe \u00fc".encode(), encoding=3)
    frames = join([frame24(b"TIT2", title, 0x0009),
                   frame24(b"COMM", b"\x02" + syncsafe(len(comm)) + zlib.compress(comm), 0x0049),
                   frame24(b"TPE1", title, 0x0008)])
    seeds["v24-compressed"] = tag(4, frames) + audio(100)

    # Encrypted frames: a method byte, then bytes nobody here can read.
    frames = join([frame23(b"TIT2", b"\x80" + bytes(range(16)), 0x0040),
                   frame23(b"COMM", b"\x80" + comment(b"secret"), 0x0040),
                   frame23(b"COMM", comment(b"shown")), frame23(b"TPE1", latin1("Artist"))])
    seeds["v23-encrypted"] = tag(3, frames) + audio(100)
    frames = join([frame24(b"TPE1", b"\x80" + bytes(range(16)), 0x0004),
                   frame24(b"COMM", b"\x80" + comment(b"secret"), 0x0004),
                   frame24(b"TIT2", latin1("Title"))])
    seeds["v24-encrypted"] = tag(4, frames) + audio(100)

    # Encodings: UTF-16 without a byte-order mark (alone, behind a description that has one,
    # big-endian, with a lone surrogate), several strings in one frame, UTF-8 with a mark and
    # with bad sequences, Windows-1252 bytes.
    frames = join([
        frame23(b"TIT2", b"\x01" + "Ohne BOM".encode("utf-16-le")),
        frame23(b"TPE1", b"\x02" + "\u041a\u0438".encode("utf-16-be")),
        frame23(b"COMM", b"\x01eng\xfe\xff\x00\x00" + "Big \u20ac".encode("utf-16-be")),
        frame23(b"TALB", b"\x01\xff\xfeA\x00\x00\x00\xfe\xff\x00B\x00\x00\xd8")])
    seeds["v23-utf16-without-mark"] = tag(3, frames) + audio(100)
    frames = join([frame24(b"TIT2", b"\x03\xef\xbb\xbfMit BOM"),
                   frame24(b"TPE1", b"\x03bad \xc0\xaf \xed\xa0\x80 utf8"),
                   frame24(b"TALB", b"\x03 \t spaced \x00second\x00 ")])
    seeds["v24-utf8-mark"] = tag(4, frames) + audio(100)
    frames = join([frame23(b"TIT2", b"\x00\x80\x81\x8d\x8f\x90\x9d\x9f \xa9\xff"),
                   frame23(b"COMM", comment(b"\x93quoted\x94"))])
    seeds["v23-windows-1252"] = tag(3, frames) + audio(100)

    # Several frames of one id: titles, artists, shown comments in one language and another,
    # and comments with a description.
    frames = join([
        frame23(b"TIT2", latin1("First")), frame23(b"TPE1", latin1("A1")),
        frame23(b"COMM", comment(b"norm", b"iTunNORM")), frame23(b"COMM", comment(b"first")),
        frame23(b"COMM", comment(b"zweiter", lang=b"deu")), frame23(b"TIT2", latin1("Second")),
        frame23(b"COMM", comment(b"second")), frame23(b"TPE1", latin1("A2"))])
    seeds["v23-duplicates"] = tag(3, frames, padding=30) + audio(100)

    # Sizes: a cut header, a header alone, a tag longer than the file, frame sizes near 4 GiB,
    # an unknown version.
    seeds["cut-header"] = b"ID3\x03\x00"
    seeds["header-only"] = header(4, 0)
    seeds["tag-longer-than-file"] = b"ID3\x03\x00\x00\x7f\x7f\x7f\x7f" + texts23() + audio(50)
    frames = frame23(b"TIT2", latin1("Ok")) + b"TPE1\xff\xff\xff\xff\x00\x00" + latin1("cut")
    seeds["v23-frame-size-4gib"] = tag(3, frames + bytes(20)) + audio(50)
    frames = b"TIT2\xff\xff\xff\xf0\x00\x00" + latin1("near")
    seeds["v23-frame-size-near-4gib"] = tag(3, frames) + audio(50)
    seeds["v25-unknown-version"] = tag(5, texts23()) + audio(50)

    # A tag and a block; large tags whose frames cross the file source's windows.
    seeds["v23-and-block"] = (tag(3, texts23(), padding=100) + audio(300) +
                              block(b"V1 title", genre=17))
    frames = join([frame24(b"TIT2", latin1("Before")), frame24(b"APIC", png + picture),
                   frame24(b"TPE1", latin1("After")), frame24(b"COMM", comment(b"Last"))])
    seeds["v24-picture-between-texts"] = tag(4, frames) + audio(100)
    frames = join(frame23(b"TXXX", b"\x00key%02d\x00" % i + b"v" * 90) for i in range(60))
    frames += frame23(b"TIT2", latin1("Behind the windows"))
    seeds["v23-many-frames"] = tag(3, frames, padding=200) + audio(100)

    # ID3v1 blocks: plain, version 1.1 with a track, a 30-character comment, Windows-1252 bytes,
    # spaces, a lower-case marker (no block), a file that is a block alone; no tag at all.
    seeds["v1-block"] = audio(300) + block(b"Title", b"Artist", b"Album", b"1999", b"Comment", 17)
    seeds["v11-track"] = audio(300) + block(b"Title", b"Artist", b"Album", b"2001", b"Note", 13, 7)
    seeds["v1-comment-30"] = audio(200) + block(b"T", comm=b"c" * 30, genre=0)
    seeds["v1-windows-1252"] = audio(200) + block(b"\x80\x81\x8d\x8f\x90\x9d\xe9", b"\xff" * 30,
                                                  genre=200)
    seeds["v1-spaces"] = audio(200) + block(b"Title   ", b"   ", b"A" * 30, b"99  ", b"c  ")
    seeds["v1-lower-case-marker"] = audio(200) + b"tag" + block(b"x")[3:]
    seeds["v1-block-alone"] = block(b"Only", track=1, genre=1)
    seeds["empty"] = b""
    seeds["audio-only"] = audio(300)
    seeds["id3-alone"] = b"ID3"
    return seeds


def mutagen_seeds():
    """Tags as a widely used independent writer makes them."""
    seeds = {}
    folder = tempfile.mkdtemp()
    try:
        path = os.path.join(folder, "song.mp3")
        cases = {
            "mutagen-v23-texts": (3, 0, [
                TIT2(encoding=0, text="Title"), TPE1(encoding=1, text="\u041a\u0438\u043d\u043e"),
                TALB(encoding=0, text="Album"), TDRC(encoding=0, text="1999"),
                TRCK(encoding=0, text="3/9"), TCON(encoding=0, text="(13)Pop"),
                COMM(encoding=0, lang="eng", desc="", text="Comment")]),
            "mutagen-v24-utf8": (4, 0, [
                TIT2(encoding=3, text=["Eins", "Zwei"]), TPE1(encoding=3, text="\u65e5\u672c"),
                TDRC(encoding=3, text="2004-05-06T07:08:09"),
                COMM(encoding=3, lang="deu", desc="", text="Kommentar"),
                COMM(encoding=3, lang="eng", desc="iTunNORM", text=" 0000 0000"),
                COMM(encoding=1, lang="eng", desc="", text="Shown")]),
            "mutagen-v24-with-block": (4, 2, [
                TIT2(encoding=3, text="Tag and block"), TPE1(encoding=0, text="Artist"),
                TRCK(encoding=0, text="4"), TCON(encoding=0, text="Jazz")]),
            "mutagen-v23-picture-lyrics": (3, 0, [
                TIT2(encoding=1, text="Picture"),
                APIC(encoding=0, mime="image/png", type=3, desc="", data=bytes(range(256)) * 12),
                USLT(encoding=1, lang="eng", desc="", text="la la\nla")]),
            "mutagen-v24-other-frames": (4, 0, [
                TXXX(encoding=3, desc="REPLAYGAIN", text="-6 dB"),
                WXXX(encoding=0, desc="", url="http://example.org/"),
                POPM(email="a@example.org", rating=128, count=3),
                PRIV(owner="owner", data=b"\x00\x01\xff"), TIT2(encoding=0, text="Last")]),
        }
        for name, (version, v1, frames) in cases.items():
            with open(path, "wb") as f:
                f.write(audio(300))
            tags = ID3()
            for frame in frames:
                tags.add(frame)
            tags.save(path, v2_version=version, v1=v1, padding=lambda info: 64)
            with open(path, "rb") as f:
                seeds[name] = f.read()
    finally:
        shutil.rmtree(folder)
    return seeds


def main():
    if os.path.isdir(CORPUS):
        shutil.rmtree(CORPUS)
    os.makedirs(CORPUS)
    seeds = {**built_seeds(), **mutagen_seeds()}
    for name, data in sorted(seeds.items()):
        with open(os.path.join(CORPUS, name + ".mp3"), "wb") as f:
            f.write(data)
    print(f"{len(seeds)} seeds, {sum(map(len, seeds.values()))} bytes, in {CORPUS}")


if __name__ == "__main__":
    main()
