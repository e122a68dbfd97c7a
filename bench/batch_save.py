#!/usr/bin/python3
"""Batch save, side by side: the album of every file of a folder is changed and saved by each
writer in turn, interleaved, round after round, on one corpus (by default 1,000 files of 4-8 MiB
whose ID3v2.3 tags carry 1-4 KiB of padding, as common tools leave it).

Writers: Tunemark (TTagSaver::Save of all the tags in one process, bench/batch_bench.cpp, the
tags read beforehand as a scan reads them; and tagtool set-all, reading and saving, timed from
outside), a whole copy of each file flushed and renamed over it, mutagen in place with an fsync
per file, and TagLib in place with and without an fsync per file (bench/taglib_writer.cpp,
compiled here with g++; those rows are left out when TagLib's headers are missing).

  /usr/bin/python3 bench/batch_save.py [--build build] [--count 1000] [--rounds 5]
                                       [--kib 4096,8192] [--padding 1024,4096] [--tmp /tmp]

Prints each writer's median seconds, its ratio to Tunemark, the bytes it wrote per file
(write_bytes of /proc/self/io, counted per page or folio dirtied, and the bytes it passed to
write calls; the save record included) and its seconds in each round, then the goals.
Each writer starts after a `sync`, so it pays for its own writes only. The corpus (about 6 GB
by default) is made under --tmp and removed at the end.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def io_counts():
    with open("/proc/self/io") as f:
        return {k.rstrip(":"): int(v) for k, v in (line.split() for line in f)}


def mutagen_writer(folder, album):
    """The mutagen peer, run in a process of its own; prints batch_bench's line."""
    from mutagen.id3 import ID3, TALB
    paths = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".mp3"))
    before = io_counts()
    start = time.perf_counter()
    for path in paths:
        tag = ID3(path)
        tag.setall("TALB", [TALB(encoding=0, text=album)])
        tag.save(path, v2_version=3)
        fd = os.open(path, os.O_RDONLY)
        os.fsync(fd)
        os.close(fd)
    seconds = time.perf_counter() - start
    after = io_counts()
    print("seconds=%.6f write_bytes=%d wchar=%d files=%d" % (
        seconds, after["write_bytes"] - before["write_bytes"], after["wchar"] - before["wchar"],
        len(paths)))


def parse(line):
    return {k: float(v) for k, v in (part.split("=") for part in line.split())}


def run_writer(command, env):
    """Runs one writer; its own figures, or the wall time and block output of its process."""
    start = time.perf_counter()
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, env=env, text=True)
    out = proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit("batch_save: %s failed" % " ".join(command))
    line = out.strip().splitlines()[-1] if out.strip() else ""
    if line.startswith("seconds="):
        return parse(line)
    return {"seconds": wall, "write_bytes": usage.ru_oublock * 512.0, "wchar": float("nan")}


def check_album(folder, album, rng):
    """A few files read back by mutagen hold the album the last writer wrote."""
    try:
        from mutagen.id3 import ID3
    except ImportError:
        return
    names = sorted(n for n in os.listdir(folder) if n.endswith(".mp3"))
    for name in rng.sample(names, min(5, len(names))):
        got = str(ID3(os.path.join(folder, name)).get("TALB"))
        if got != album:
            sys.exit("batch_save: %s holds album %r, not %r" % (name, got, album))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--kib", default="4096,8192")
    parser.add_argument("--padding", default="1024,4096")
    parser.add_argument("--tmp", default="/tmp")
    parser.add_argument("--mutagen-writer", nargs=2, metavar=("FOLDER", "ALBUM"),
                        help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.mutagen_writer:
        mutagen_writer(*args.mutagen_writer)
        return

    build = os.path.abspath(args.build)
    subprocess.run(["cmake", "--build", build, "--target", "batch_bench", "tagtool"], check=True,
                   stdout=subprocess.DEVNULL)
    kib_lo, kib_hi = (int(v) for v in args.kib.split(","))
    need = args.count * (kib_lo + kib_hi) // 2 * 1024 + kib_hi * 1024 * 4 + (1 << 30)
    free = shutil.disk_usage(args.tmp).free
    if free < need:
        sys.exit("batch_save: %.1f GB free under %s, %.1f GB needed" % (free / 1e9, args.tmp,
                                                                          need / 1e9))

    work = tempfile.mkdtemp(prefix="tunemark-batch-", dir=args.tmp)
    try:
        folder = os.path.join(work, "music")
        state = os.path.join(work, "state")
        os.mkdir(state)
        env = dict(os.environ, XDG_STATE_HOME=state)
        print("batch_save: making %d files of %s KiB, padding %s bytes, in %s" % (
            args.count, args.kib.replace(",", "-"), args.padding.replace(",", "-"), folder))
        subprocess.run([sys.executable, os.path.join(HERE, "make_save_corpus.py"), "--out",
                        folder, "--count", str(args.count), "--kinds", "padded=1", "--kib",
                        args.kib, "--padding", args.padding], check=True)

        bench = os.path.join(build, "bench", "batch_bench")
        tagtool = os.path.join(build, "tests", "interop", "tagtool")
        writers = [
            ("Tunemark (TTagSaver::Save)", lambda a: [bench, "save", folder, a]),
            ("Tunemark, read + save (tagtool set-all)",
             lambda a: [tagtool, "set-all", folder, "album=" + a]),
            ("copy of each file + fsync", lambda a: [bench, "copy", folder]),
        ]
        try:
            import mutagen  # noqa: F401
            writers.append(("mutagen, in place + fsync",
                            lambda a: ["/usr/bin/python3", os.path.abspath(__file__),
                                       "--mutagen-writer", folder, a]))
        except ImportError:
            print("batch_save: mutagen is missing, its row is left out")
        if subprocess.run(["pkg-config", "--exists", "taglib"]).returncode == 0:
            peer = os.path.join(work, "taglib_writer")
            flags = subprocess.run(["pkg-config", "--cflags", "--libs", "taglib"], check=True,
                                   capture_output=True, text=True).stdout.split()
            subprocess.run(["g++", "-O2", "-std=c++17", "-o", peer,
                            os.path.join(HERE, "taglib_writer.cpp")] + flags, check=True)
            writers.append(("TagLib, in place + fsync",
                            lambda a: [peer, folder, a, "--fsync"]))
            writers.append(("TagLib, in place, no fsync", lambda a: [peer, folder, a]))
        else:
            print("batch_save: TagLib's headers are missing (libtag1-dev), its rows are left out")

        subprocess.run(["sync"], check=True)
        results = {name: [] for name, _ in writers}
        rng = random.Random(1)
        for round_ in range(args.rounds):
            # Each round starts with another writer, so none always follows the same one.
            order = writers[round_ % len(writers):] + writers[:round_ % len(writers)]
            for index, (name, command) in enumerate(order):
                album = "Album of round %d, writer %d%s" % (round_ + 1, index + 1,
                                                           "!" * rng.randint(0, 9))
                subprocess.run(["sync"], check=True)
                results[name].append(run_writer(command(album), env))
                if "copy" not in name:
                    check_album(folder, album, rng)
            print("  round %d of %d done" % (round_ + 1, args.rounds))
        left = os.listdir(state + "/Tunemark") if os.path.isdir(state + "/Tunemark") else []
        if left:
            sys.exit("batch_save: journals left behind: %s" % left)

        base = statistics.median(r["seconds"] for r in results[writers[0][0]])
        print("\n%d files, %d rounds, median of each writer:" % (args.count, args.rounds))
        print("  %-42s %10s %8s %16s %14s   %s" % ("writer", "seconds", "ratio", "written/file",
                                                 "write()/file", "each round"))
        medians = {}
        for name, _ in writers:
            runs = results[name]
            seconds = statistics.median(r["seconds"] for r in runs)
            medians[name] = seconds
            written = statistics.median(r["write_bytes"] for r in runs) / args.count
            calls = statistics.median(r["wchar"] for r in runs) / args.count
            print("  %-42s %10.3f %8.2f %14.0f B %12s   %s" % (
                name, seconds, seconds / base, written,
                "-" if calls != calls else "%.0f B" % calls,
                " ".join("%.3f" % r["seconds"] for r in runs)))
        with_sync = medians.get("TagLib, in place + fsync")
        without = medians.get("TagLib, in place, no fsync")
        if with_sync and without:
            print("goal: Tunemark <= TagLib + fsync: %s (%.3f s vs %.3f s)" % (
                "met" if base <= with_sync else "MISSED", base, with_sync))
            print("goal: Tunemark <= 1.5 x TagLib without fsync: %s (%.3f s vs %.3f s)" % (
                "met" if base <= 1.5 * without else "MISSED", base, 1.5 * without))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
