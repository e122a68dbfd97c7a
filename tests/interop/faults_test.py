#!/usr/bin/python3
"""A save meets failing system calls and other programs at the worst moments, and loses nothing:
every file ends byte-exact old or byte-exact new, a failure is reported as one, and nothing but
the saved file changes in its folder. Tunemark is driven through the tagtool program; strace
makes a call fail (inject=CALL:error=E:when=N) or wait (delay_enter).

    faults_test.py --tagtool PATH

Exits 77 (skipped) when mutagen or strace is missing.
"""

import argparse
import io
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

SKIPPED = 77
try:
    from mutagen.id3 import APIC, ID3, TALB, TIT2, TXXX
except ImportError:
    print("mutagen is missing (python3-mutagen): fault tests skipped")
    sys.exit(SKIPPED)
if not shutil.which("strace"):
    print("strace is missing: fault tests skipped")
    sys.exit(SKIPPED)

TAGTOOL = None  # set by main()


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def song(path, frames=40, picture=5000, padding=0):
    """A song whose tag holds a picture and many frames behind the title, as a flaky disk would
    lose them if a read error ended the tag early."""
    rng = random.Random(7)
    write_bytes(path, b"\xff\xfb\x90\x64" + rng.randbytes(30000))
    tags = ID3()
    tags.add(TIT2(encoding=3, text="Old title"))
    tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=rng.randbytes(picture)))
    for i in range(frames):
        tags.add(TXXX(encoding=1, desc=f"key {i}", text=f"value {i}"))
    tags.save(path, v2_version=3, padding=lambda _: padding)


def strace(args, *injections, log="/dev/null", env=None):
    """Runs tagtool with each injection ("CALL:error=E:when=N", "CALL:delay_enter=US:...");
    strace tampers only with calls it traces. The leak checker of a sanitized build cannot run
    under strace; the other tests check leaks."""
    traced = ",".join(sorted({i.split(":")[0] for i in injections})) or "none"
    command = ["strace", "-f", "-qq", "-o", log, "-e", f"trace={traced}"]
    for injection in injections:
        command += ["-e", f"inject={injection}"]
    env = dict(env or os.environ, ASAN_OPTIONS="detect_leaks=0")
    return subprocess.Popen(command + [TAGTOOL, *args], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def calls(args, name, marker=None, env=None):
    """How often tagtool makes the call, the program loader's calls included (or which of them
    is the first whose line holds `marker`), in a run that nothing disturbs. The files it saves
    are put back as they were."""
    paths = [args[1]] if os.path.isfile(args[1]) else [
        os.path.join(args[1], name) for name in os.listdir(args[1])]
    before = {path: read_bytes(path) for path in paths}
    with tempfile.NamedTemporaryFile() as log:
        command = ["strace", "-f", "-qq", "-o", log.name, "-e", f"trace={name}", TAGTOOL, *args]
        subprocess.run(command, capture_output=True, check=True,
                       env=dict(env or os.environ, ASAN_OPTIONS="detect_leaks=0"))
        lines = [line for line in read_bytes(log.name).decode().splitlines() if f"{name}(" in line]
    for path, data in before.items():
        write_bytes(path, data)
    if marker:
        return next(i + 1 for i, line in enumerate(lines) if marker in line)
    return len(lines)


def wait_for(what, condition, seconds=30):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up waiting for {what}")
        time.sleep(0.005)


class FaultCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tunemark-faults-")
        self.addCleanup(shutil.rmtree, self.dir)
        # The saves keep their records in a folder of the test's own: records that other tests
        # leave in a shared one would change the calls a save makes, which the injections count.
        state = tempfile.mkdtemp(prefix="tunemark-faults-state-")
        self.addCleanup(shutil.rmtree, state)
        os.environ["XDG_STATE_HOME"] = state

    def path(self, name):
        return os.path.join(self.dir, name)


class EveryFailingCallLosesNothing(FaultCase):
    """Each call of a save fails in turn: the save then fails with the file as it was, or
    succeeds with every frame kept; never a frame lost while "saved" is reported."""

    CASES = [
        # the call that fails, and its error
        ("pread64", "EIO"),
        ("copy_file_range", "EIO"),
        ("pwrite64", "ENOSPC"),
        ("fsync", "EIO"),
        ("renameat2", "EIO"),
        ("linkat", "EIO"),
    ]

    def test_each_call_of_a_save_fails_in_turn(self):
        path = self.path("song.mp3")
        song(path)
        before = read_bytes(path)
        picture = ID3(path).getall("APIC")[0].data
        names_before = sorted(os.listdir(self.dir))
        # A title as long as the old one is written in place; a longer one by a rewrite.
        for title in ("New title", "A new title longer than the room the tag has"):
            self.check_each_call(path, before, picture, names_before, title)

    def check_each_call(self, path, before, picture, names_before, title):
        args = ["set", path, f"title={title}"]
        for name, error in self.CASES:
            write_bytes(path, before)
            count = calls(args, name)
            failures = 0
            for n in range(1, count + 1):
                with self.subTest(title=title, call=name, occurrence=n):
                    write_bytes(path, before)
                    run = strace(args, f"{name}:error={error}:when={n}")
                    _, stderr = run.communicate()
                    after = read_bytes(path)
                    self.assertEqual(sorted(os.listdir(self.dir)), names_before)
                    if run.returncode != 0:
                        self.assertEqual(after, before, stderr.decode())
                        failures += 1
                        continue
                    tags = ID3(path, translate=False)
                    self.assertEqual(str(tags["TIT2"]), title)
                    self.assertEqual(len(tags.getall("TXXX")), 40)
                    self.assertEqual(tags.getall("APIC")[0].data, picture)
                    # A failure that comes after the file took its new place is told as such.
                    if stderr:
                        self.assertIn(b"It was saved, but", stderr)
            if count:
                self.assertGreater(failures, 0, f"no failing {name} was noticed")


class AnotherProgramSavesDuringTheRename(FaultCase):
    """Another program saves the file while Tunemark's new file waits to take its place: the
    other save stays, Tunemark's fails and says why."""

    def other_program_writes_in_place(self, path):
        tags = ID3(path)
        tags.add(TALB(encoding=3, text="Saved elsewhere"))
        tags.save(path)

    def other_program_replaces_the_file(self, path):
        shutil.copyfile(path, path + ".new")
        tags = ID3(path + ".new")
        tags.add(TALB(encoding=3, text="Saved elsewhere"))
        tags.save(path + ".new")
        os.rename(path + ".new", path)

    def test_a_save_landing_in_the_rename_window_is_kept(self):
        for other in (self.other_program_writes_in_place, self.other_program_replaces_the_file):
            with self.subTest(other.__name__):
                path = self.path("song.mp3")
                song(path, frames=2)
                names = set(os.listdir(self.dir))
                # The new file is named right before it trades places with the song.
                # A title longer than the tag's room: the file is rewritten.
                run = strace(["set", path, "title=Mine, longer than the room there is"],
                             "renameat2:delay_enter=3000000:when=1")
                wait_for("the new file", lambda: len(set(os.listdir(self.dir)) - names) == 1)
                other(path)
                _, stderr = run.communicate()
                self.assertEqual(run.returncode, 1, stderr.decode())
                self.assertIn(b"changed since it was read", stderr)
                tags = ID3(path)
                self.assertEqual(str(tags["TALB"]), "Saved elsewhere")
                self.assertEqual(str(tags["TIT2"]), "Old title")
                self.assertEqual(set(os.listdir(self.dir)), names)


class SavesSideBySideWithoutUnnamedFiles(FaultCase):
    """Where the file system makes no unnamed files (FAT, network shares), each save names its
    new file; a save in the same folder never removes another's."""

    def test_two_saves_in_one_folder(self):
        first, second = self.path("one.mp3"), self.path("two.mp3")
        song(first, frames=2)
        song(second, frames=2)
        # Titles longer than the tags' room: both files are rewritten.
        args = [["set", first, "title=First, longer than the room there is"],
                ["set", second, "title=Second, longer than the room there is"]]
        def refused(save):
            # Which call makes the unnamed file, counted in a run like the one to come.
            return f"openat:error=EOPNOTSUPP:when={calls(save, 'openat', 'O_TMPFILE')}"
        # The first save waits with its named new file in the folder while the second runs.
        names = set(os.listdir(self.dir))
        slow = strace(args[0], refused(args[0]), "renameat2:delay_enter=3000000:when=1")
        wait_for("the first new file", lambda: len(set(os.listdir(self.dir)) - names) == 1)
        fast = strace(args[1], refused(args[1]))
        for run in (fast, slow):
            _, stderr = run.communicate()
            self.assertEqual(run.returncode, 0, stderr.decode())
        self.assertEqual(str(ID3(first)["TIT2"]), "First, longer than the room there is")
        self.assertEqual(str(ID3(second)["TIT2"]), "Second, longer than the room there is")
        self.assertEqual(set(os.listdir(self.dir)), names)


class KilledAtEveryStep(FaultCase):
    """A save of many files is killed at each step in turn (before each call that writes,
    flushes, renames or removes); the next start finishes it from its record: every file is
    byte-exact old or new, nothing else changed, no record is left."""

    CALLS = ["openat", "pwrite64", "fsync", "syncfs", "rename", "renameat2", "linkat", "unlink",
             "unlinkat", "ftruncate"]

    def test_a_killed_save_is_finished_at_the_next_start(self):
        music = self.path("music")
        state = self.path("state")
        os.mkdir(music)
        audio = random.Random(3).randbytes(20000)
        files = {
            "a padded tag.mp3": padded_tag("Old album", 512) + audio,
            "b tag without room.mp3": padded_tag("Old", 0) + audio,
            "c block.mp3": audio + b"TAG" + b"Title".ljust(30, b"\0") + bytes(94) + b"\x11",
            "d no tag.mp3": audio,
        }
        env = dict(os.environ, XDG_STATE_HOME=state)
        args = ["set-all", music, "album=New album"]

        def reset():
            for name, data in files.items():
                write_bytes(os.path.join(music, name), data)

        reset()
        subprocess.run([TAGTOOL, *args], check=True, env=env)
        saved = {name: read_bytes(os.path.join(music, name)) for name in files}
        for name in self.CALLS:
            reset()
            count = calls(args, name, env=env)
            for n in range(1, count + 1):
                with self.subTest(call=name, occurrence=n):
                    reset()
                    run = strace(args, f"{name}:signal=SIGKILL:when={n}", env=env)
                    run.communicate()
                    subprocess.run([TAGTOOL, "recover"], check=True, env=env,
                                   capture_output=True)
                    self.assertEqual(sorted(os.listdir(music)), sorted(files))
                    for file, data in files.items():
                        now = read_bytes(os.path.join(music, file))
                        self.assertIn(now, (data, saved[file]), file)
                    self.assertEqual(os.listdir(os.path.join(state, "Tunemark")), [])


def padded_tag(album, padding):
    tags = ID3()
    tags.add(TIT2(encoding=0, text="Title"))
    tags.add(TALB(encoding=0, text=album))
    data = io.BytesIO()
    tags.save(data, v2_version=3, padding=lambda _: padding)
    return data.getvalue()


def main():
    global TAGTOOL
    parser = argparse.ArgumentParser()
    parser.add_argument("--tagtool", required=True)
    args, rest = parser.parse_known_args()
    TAGTOOL = os.path.abspath(args.tagtool)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
