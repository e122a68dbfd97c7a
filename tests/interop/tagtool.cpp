// A command-line front to the tag layer, so that a script can drive the real reading and saving
// code and check the files against independent readers.
//
//   tagtool read FILE
//       prints key=value lines: hastag, version2, hastitle, then each field (title, artist,
//       album, year, comment, track, genre), and for an ID3v2 tag also version and size. Bytes
//       below 0x20, 0x7F and the backslash are written as \xNN, so every line stays one line.
//   tagtool set FILE [--convert] FIELD=VALUE...
//       loads the tag, converts it to ID3v2 first with --convert, sets the fields (named as in
//       the read) in the order given and saves.
//   tagtool set-all FOLDER FIELD=VALUE...
//       sets the fields of every "*.mp3" file of the folder and saves them all in one save, as
//       the Save button does; prints each failure and what a save had to tell.
//   tagtool recover
//       finishes the saves a crash cut short, as a start of the program does, and prints each
//       file left alone.
//   tagtool toggle FILE TITLE1 TITLE2
//       saves the file again and again, each time with the other title, until it is killed or a
//       save fails (for the kill test, bench/kill_save.sh).
//
// Exit status: 0 done, 1 the save failed, 2 bad arguments, 3 the file could not be opened.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/id3v2parse.h"
#include "tags/mp3tag.h"
#include "tags/posixfile.h"
#include "tags/tagsaver.h"

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

// A field's key: its heading in lower case.
std::string Key(TField field) {
  std::string key(Info(field).Heading);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return key;
}

std::optional<TField> FieldNamed(const std::string& key) {
  for (const TField field : TagFields) {
    if (Key(field) == key) return field;
  }
  return std::nullopt;
}

int Read(const std::string& path) {
  TMP3Tag tag;
  tag.ReadTag(path);
  std::printf("hastag=%d\nversion2=%d\nhastitle=%d\n", tag.HasTag(), tag.IsVersion2(),
              tag.HasTitle());
  for (const TField field : TagFields) PrintField(Key(field).c_str(), tag.Get(field));
  if (tag.IsVersion2()) {
    const TPosixFile file(path, TFileAccess::Read);
    TFileSource source(file, path);
    TID3v2Texts texts;
    ReadID3v2Texts(source, texts, 0);
    std::printf("version=%d\nsize=%lld\n", texts.Version, static_cast<long long>(texts.Size));
  }
  return 0;
}

// Saves the tag; 1 with the reason when the save fails.
int Save(TMP3Tag& tag) {
  try {
    const std::string warning = tag.WriteTag();
    if (!warning.empty()) std::fprintf(stderr, "tagtool: %s\n", warning.c_str());
    return 0;
  } catch (const TFileOpenError& e) {
    std::fprintf(stderr, "tagtool: %s\n", e.what());
    return 1;
  }
}

// Sets the field a FIELD=VALUE setting names; false when it is not one.
bool Apply(TMP3Tag& tag, const std::string& setting) {
  const std::size_t eq = setting.find('=');
  const std::optional<TField> field =
      eq == std::string::npos ? std::nullopt : FieldNamed(setting.substr(0, eq));
  if (!field) {
    std::fprintf(stderr, "tagtool: not a FIELD=VALUE setting: %s\n", setting.c_str());
    return false;
  }
  tag.Set(*field, setting.substr(eq + 1));
  return true;
}

int Set(const std::string& path, const std::vector<std::string>& args) {
  TMP3Tag tag;
  tag.ReadTag(path);
  for (const std::string& arg : args) {
    if (arg == "--convert")
      tag.ConvertToVersion2();
    else if (!Apply(tag, arg))
      return 2;
  }
  return Save(tag);
}

int PrintReports(const std::vector<TSaveReport>& reports) {
  int status = 0;
  for (const TSaveReport& report : reports) {
    if (!report.Failure.empty()) {
      std::fprintf(stderr, "tagtool: %s: %s\n", report.Path.c_str(), report.Failure.c_str());
      status = 1;
    } else if (!report.Warning.empty()) {
      std::fprintf(stderr, "tagtool: %s: %s\n", report.Path.c_str(), report.Warning.c_str());
    }
  }
  return status;
}

int SetAll(const std::string& folder, const std::vector<std::string>& settings) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".mp3") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  std::vector<std::unique_ptr<TMP3Tag>> tags;
  std::vector<TMP3Tag*> pointers;
  for (const std::string& path : paths) {
    tags.push_back(std::make_unique<TMP3Tag>());
    tags.back()->ReadTag(path);
    for (const std::string& setting : settings)
      if (!Apply(*tags.back(), setting)) return 2;
    pointers.push_back(tags.back().get());
  }
  return PrintReports(TTagSaver().Save(pointers));
}

int Toggle(const std::string& path, const std::string& first, const std::string& second) {
  for (;;) {
    TMP3Tag tag;
    tag.ReadTag(path);
    tag.SetTitle(tag.GetTitle() == first ? second : first);
    if (Save(tag) != 0) return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "recover") return PrintReports(TTagSaver().Recover());
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: tagtool read FILE | tagtool set FILE [--convert] FIELD=VALUE... | "
                 "tagtool set-all FOLDER FIELD=VALUE... | tagtool recover | "
                 "tagtool toggle FILE TITLE1 TITLE2\n");
    return 2;
  }
  const std::string command = argv[1];
  const std::string path = argv[2];
  try {
    if (command == "read" && argc == 3) return Read(path);
    if (command == "set") return Set(path, std::vector<std::string>(argv + 3, argv + argc));
    if (command == "toggle" && argc == 5) return Toggle(path, argv[3], argv[4]);
    if (command == "set-all") return SetAll(path, std::vector<std::string>(argv + 3, argv + argc));
  } catch (const TFileOpenError& e) {
    std::fprintf(stderr, "tagtool: %s\n", e.what());
    return 3;
  }
  std::fprintf(stderr, "tagtool: unknown command %s\n", command.c_str());
  return 2;
}
