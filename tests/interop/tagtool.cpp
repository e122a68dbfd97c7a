// A command-line front to the tag layer, so that a script can drive the real reading and saving
// code and check the files against independent readers.
//
//   tagtool read FILE
//       prints key=value lines: hastag, version2, hastitle, title, artist, album, year, comment,
//       and for an ID3v2 tag also version, size, track and genre. Bytes below 0x20, 0x7F and
//       the backslash are written as \xNN, so every line stays one line.
//   tagtool set FILE [--convert] FIELD=VALUE...
//       loads the tag, converts it to ID3v2 first with --convert, sets the fields (title, artist,
//       album, year, comment) in the order given and saves.
//   tagtool toggle FILE TITLE1 TITLE2
//       saves the file again and again, each time with the other title, until it is killed or a
//       save fails (for the kill test, bench/kill_save.sh).
//
// Exit status: 0 done, 1 the save failed, 2 bad arguments, 3 the file could not be opened.

#include <cstdio>
#include <string>
#include <vector>

#include "tags/fileerror.h"
#include "tags/id3v2.h"
#include "tags/mp3tag.h"
#include "tags/reporter.h"

namespace {

void PrintField(const char* key, const std::string& value) {
  std::printf("%s=", key);
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      std::printf("\\x%02x", c);
    } else {
      std::putchar(c);
    }
  }
  std::putchar('\n');
}

int Read(const std::string& path) {
  TMP3Tag tag;
  tag.ReadTag(path);
  std::printf("hastag=%d\nversion2=%d\nhastitle=%d\n", tag.HasTag(), tag.IsVersion2(),
              tag.HasTitle());
  PrintField("title", tag.GetTitle());
  PrintField("artist", tag.GetArtist());
  PrintField("album", tag.GetAlbum());
  PrintField("year", tag.GetYear());
  PrintField("comment", tag.GetComment());
  if (tag.IsVersion2()) {
    // Track and Genre are kept by the ID3v2 tag but not served by the file object.
    TID3v2 v2;
    v2.ReadFromFile(path);
    std::printf("version=%d\nsize=%lld\ntrack=%lld\n", v2.Version(),
                static_cast<long long>(v2.Size()), static_cast<long long>(v2.Track()));
    PrintField("genre", v2.Genre());
  }
  return 0;
}

bool SetByName(TMP3Tag& tag, const std::string& name, const std::string& value) {
  if (name == "title") {
    tag.SetTitle(value);
  } else if (name == "artist") {
    tag.SetArtist(value);
  } else if (name == "album") {
    tag.SetAlbum(value);
  } else if (name == "year") {
    tag.SetYear(value);
  } else if (name == "comment") {
    tag.SetComment(value);
  } else {
    return false;
  }
  return true;
}

int Set(const std::string& path, const std::vector<std::string>& args) {
  TMP3Tag tag;
  tag.ReadTag(path);
  for (const std::string& arg : args) {
    if (arg == "--convert") {
      tag.ConvertToVersion2();
      continue;
    }
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos || !SetByName(tag, arg.substr(0, eq), arg.substr(eq + 1))) {
      std::fprintf(stderr, "tagtool: not a FIELD=VALUE setting: %s\n", arg.c_str());
      return 2;
    }
  }
  tag.WriteTag();
  return tag.Modified() ? 1 : 0;  // a failed save leaves the tag modified
}

int Toggle(const std::string& path, const std::string& first, const std::string& second) {
  for (;;) {
    TMP3Tag tag;
    tag.ReadTag(path);
    tag.SetTitle(tag.GetTitle() == first ? second : first);
    tag.WriteTag();
    if (tag.Modified()) return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: tagtool read FILE | tagtool set FILE [--convert] FIELD=VALUE... | "
                 "tagtool toggle FILE TITLE1 TITLE2\n");
    return 2;
  }
  SetTagReporter([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
  const std::string command = argv[1];
  const std::string path = argv[2];
  try {
    if (command == "read" && argc == 3) return Read(path);
    if (command == "set") return Set(path, std::vector<std::string>(argv + 3, argv + argc));
    if (command == "toggle" && argc == 5) return Toggle(path, argv[3], argv[4]);
  } catch (const TFileOpenError& e) {
    std::fprintf(stderr, "tagtool: %s\n", e.what());
    return 3;
  }
  std::fprintf(stderr, "tagtool: unknown command %s\n", command.c_str());
  return 2;
}
