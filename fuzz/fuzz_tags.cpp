// Feeds arbitrary bytes, as the start of an MP3 file, to the tag layer: the listing read of the
// ID3v2 tag from memory and through the file source, the save of one changed field (the frame
// list rebuilt and read again), the tag object's read and set and, for some inputs, its save of a
// scratch copy, and the ID3v1 block rules.
//
// The last bytes of an input choose the edit, so that the fuzzer can steer it: byte -1 the field
// and the text, byte -2 whether the file is saved (one input in eight: a save makes a file and
// renames it, and costs more than all the rest) and whether a file without ID3v2 tag is converted
// to version 2 first, byte -3 the length of a text taken from the input itself.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tags/bytesource.h"
#include "tags/fields.h"
#include "tags/id3v1block.h"
#include "tags/id3v2convert.h"
#include "tags/id3v2edit.h"
#include "tags/id3v2parse.h"
#include "tags/id3v2reader.h"
#include "tags/id3v2save.h"
#include "tags/mp3tag.h"
#include "tags/posixfile.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"
#include "tests/common/tempdir.h"

namespace {

// A failed check names its line, so that a crash report says which rule broke.
void Require(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_tags.cpp:%d: check failed\n", line);
  std::abort();
}

std::size_t Index(TField field) { return std::size_t(field); }

// Where the input lives as a file: a memory file that is opened by its path like any file, and
// a scratch folder for the saves.
class TScratch {
 public:
  TScratch() : FFd(::memfd_create("fuzz_tags", MFD_CLOEXEC)) {
    Require(FFd >= 0);
    FHeldPath = "/proc/self/fd/" + std::to_string(FFd);
    // Saves keep their records here, not in the user's state folder.
    ::setenv("XDG_STATE_HOME", FState.Path().c_str(), 1);
  }
  ~TScratch() { ::close(FFd); }

  // Puts the bytes into the memory file; its path.
  const std::string& Hold(std::string_view bytes) {
    Require(::ftruncate(FFd, 0) == 0);
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::pwrite(FFd, bytes.data() + done, bytes.size() - done, off_t(done));
      Require(n > 0);
      done += std::size_t(n);
    }
    return FHeldPath;
  }
  const std::string& HeldPath() const { return FHeldPath; }
  // Puts the bytes into the scratch copy; its path.
  const std::string& Copy(std::string_view bytes) {
    WriteFileBytes(FCopyPath, std::string(bytes));
    return FCopyPath;
  }
  const std::string& Folder() const { return FFolder.Path(); }

 private:
  int FFd;
  std::string FHeldPath;
  TTempDir FFolder;
  TTempDir FState;
  std::string FCopyPath = FFolder / "song.mp3";
};

struct TEdit {
  TField Field;
  std::string Text;
  bool Save;     // the tag object saves the scratch copy
  bool Convert;  // a file without ID3v2 tag becomes version 2 before the set
};

// Bytes of the input as a text a person could type: valid UTF-8, control characters as spaces,
// and no U+FEFF, which at the start of a UTF-8 frame every reader takes for a byte-order mark.
std::string TypedText(std::string_view bytes, std::size_t length) {
  std::string text = SanitizeUtf8(bytes.substr(bytes.size() / 2, length));
  std::replace_if(
      text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  constexpr std::string_view Mark = "\xEF\xBB\xBF";
  for (std::size_t at = text.find(Mark); at != std::string::npos; at = text.find(Mark, at))
    text.replace(at, Mark.size(), " ");
  return text;
}

TEdit EditOf(std::string_view bytes) {
  const auto back = [&](std::size_t n) {
    return bytes.size() >= n ? static_cast<std::uint8_t>(bytes[bytes.size() - n]) : 0;
  };
  // Several scripts, each encoding a save chooses, the empty text (removes the frames), a track
  // and a genre that fit a block, blanks to trim, and a text over every field's limit.
  static const std::string overLimit = [] {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "a\u00e9\u65e5";
    return text;
  }();
  static const std::string texts[] = {"Fuzz",
                                      "Caf\u00e9 \u20ac",
                                      "\u041a\u0438\u043d\u043e",
                                      "\u65e5\u672c\u8a9e",
                                      "",
                                      "7",
                                      "Rock",
                                      "Fuzz  ",
                                      overLimit};
  constexpr std::size_t Choices = std::size(texts) + 1;
  const std::uint8_t choice = back(1);
  const std::size_t pick = choice / std::size(TagFields) % Choices;
  return {TagFields[choice % std::size(TagFields)],
          pick < std::size(texts) ? texts[pick] : TypedText(bytes, back(3) % 64),
          (back(2) & 7) == 0, (back(2) & 0x40) != 0};
}

bool SameListing(const TID3v2Texts& a, const TID3v2Texts& b) {
  return a.Exists == b.Exists && a.Version == b.Version && a.Size == b.Size && a.Texts == b.Texts &&
         a.Cut == b.Cut;
}

// The listing of the bytes, which must come out the same through the file source (its windows,
// their refills and reads past them) as from memory.
TID3v2Texts CheckListing(std::string_view bytes, TScratch& scratch) {
  TMemorySource memory(bytes);
  TID3v2Texts listed;
  const bool read = ReadID3v2Texts(memory, listed);
  Require(read == (bytes.size() >= 10));
  Require(listed.Exists == (read && bytes.starts_with("ID3")));
  Require(listed.Size >= 0 && listed.Size <= std::int64_t(bytes.size()));
  for (const std::string& text : listed.Texts) Require(SanitizeUtf8(text) == text);

  const TPosixFile file(scratch.Hold(bytes), TFileAccess::Read);
  TFileSource source(file, scratch.HeldPath());
  TID3v2Texts fromFile;
  Require(ReadID3v2Texts(source, fromFile) == read);
  Require(SameListing(listed, fromFile));
  return listed;
}

// The frames of a tag as a save sees them, a 2.2 tag's as their 2.3 counterparts, and the version
// its save keeps.
std::vector<TID3v2Frame> FramesOf(std::string_view bytes, std::uint8_t& version) {
  TMemorySource source(bytes);
  TID3v2Reader reader(source);
  version = reader.Readable() ? reader.Version() : 3;
  std::vector<TID3v2Frame> frames = reader.WholeFrames();
  if (version == 2) {
    for (TID3v2Frame& frame : frames) frame = ConvertFrame(frame);
    version = 3;
  }
  return frames;
}

// The frames an edit of the field must leave byte for byte: all but those of its id, and of the
// comments all but the shown ones.
std::vector<TID3v2Frame> Untouched(std::vector<TID3v2Frame> frames, TField field,
                                   std::uint8_t version) {
  const std::string_view id = FieldFrameId(field, version);
  std::erase_if(frames, [&](const TID3v2Frame& frame) {
    return frame.Id == id && (field != TField::Comment || IsShownComment(frame, version));
  });
  return frames;
}

// The text a listing reads back of a value saved in a tag of the version.
std::string ReadBack(TField field, std::string_view value, std::uint8_t version) {
  const std::string text = Trim(value);
  return field == TField::Year && version == 4 ? std::string(CutToCharacters(text, 4)) : text;
}

// The save of one changed field: the same tag through the file source as from memory, every
// other frame kept byte for byte, the version kept (2.2 becomes 2.3), and the new tag reads back
// with the new text and every other field as before.
void CheckSave(std::string_view bytes, const TID3v2Texts& listed, const TEdit& edit,
               TScratch& scratch) {
  TTagValues values;
  for (const TField field : TagFields) values.Texts[Index(field)] = listed.Texts[Index(field)];
  const std::string value = TrimRightBlanks(edit.Text);
  values.Texts[Index(edit.Field)] = value;
  values.Set = Bit(edit.Field);
  TMemorySource memory(bytes);
  const std::optional<TNewTag> saved = SavedTag(memory, values);
  Require(saved.has_value());
  Require(saved->RestStart == TID3v2Reader(memory).Extent());
  {
    const TPosixFile file(scratch.HeldPath(), TFileAccess::Read);
    TFileSource source(file, scratch.HeldPath());
    const std::optional<TNewTag> fromFile = SavedTag(source, values);
    Require(fromFile && fromFile->Bytes == saved->Bytes && fromFile->RestStart == saved->RestStart);
  }

  std::uint8_t version = 0;
  std::uint8_t newVersion = 0;
  const std::vector<TID3v2Frame> before = FramesOf(bytes, version);
  const std::vector<TID3v2Frame> after = FramesOf(saved->Bytes, newVersion);
  Require(newVersion == version);
  Require(Untouched(before, edit.Field, version) == Untouched(after, edit.Field, version));

  TMemorySource again(saved->Bytes);
  TID3v2Texts back;
  Require(ReadID3v2Texts(again, back) && back.Exists && back.Version == version);
  Require(back.Size == std::int64_t(saved->Bytes.size()));
  const TFieldSet others = TFieldSet(~Bit(edit.Field));
  Require((back.Cut & others) == (listed.Cut & others));
  for (const TField field : TagFields) {
    if (field != edit.Field) Require(back.Texts[Index(field)] == listed.Texts[Index(field)]);
  }
  // Emptying the comment removes the shown comments in one language: one in another may show.
  if (edit.Field != TField::Comment || !value.empty())
    Require(back.Texts[Index(edit.Field)] == ReadBack(edit.Field, value, version));
}

// What the tag object's save of a scratch copy wrote: an ID3v2 tag holding the frames a save of
// the bytes makes, in their version, followed by the rest of the file (whatever padding the save
// gives the tag); a block in place of the old one or behind the file; nothing left in the folder
// but the file.
void CheckSaved(std::string_view bytes, const TMP3Tag& tag, const TTagValues& values, bool hadBlock,
                const TScratch& scratch) {
  const std::string now = ReadFileBytes(tag.FullPath());
  Require(FolderEntries(scratch.Folder()) == std::set<std::string>{"song.mp3"});
  if (tag.IsVersion2()) {
    TMemorySource memory(bytes);
    const std::optional<TNewTag> expected = SavedTag(memory, values);
    Require(expected.has_value());
    std::uint8_t version = 0;
    std::uint8_t savedVersion = 0;
    Require(FramesOf(now, savedVersion) == FramesOf(expected->Bytes, version));
    Require(savedVersion == version);
    TMemorySource saved(now);
    const std::int64_t extent = TID3v2Reader(saved).Extent();
    Require(extent > 0 && now.substr(std::size_t(extent)) == bytes.substr(expected->RestStart));
    return;
  }
  const std::size_t kept = bytes.size() - (hadBlock ? 128 : 0);
  Require(now.size() == kept + 128 &&
          bytes.substr(0, kept) == std::string_view(now).substr(0, kept));
  // A file under ten bytes that begins with "ID3" holds no tag, but once a block makes it longer
  // that start reads as an ID3v2 header hiding the block. Such a file holds no audio; it stays so.
  if (now.starts_with("ID3")) return;
  TMP3Tag again;
  again.ReadTag(tag.FullPath());
  for (const TField field : TagFields) Require(again.Get(field) == tag.Get(field));
}

// The tag object reads what the listing reads, sets a field, and for some inputs saves it.
void CheckTagObject(std::string_view bytes, const TID3v2Texts& listed, const TEdit& edit,
                    TScratch& scratch) {
  TMP3Tag tag;
  tag.ReadTag(edit.Save ? scratch.Copy(bytes) : scratch.HeldPath());
  const bool hadBlock =
      !listed.Exists && bytes.size() >= 128 && bytes.substr(bytes.size() - 128, 3) == "TAG";
  Require(tag.IsVersion2() == listed.Exists);
  Require(tag.HasTag() == (listed.Exists || hadBlock));
  std::string buffer;
  const TMP3Tag::TFieldTexts texts = tag.Texts(buffer);
  std::array<std::string, FieldCount> before;
  for (const TField field : TagFields) {
    before[Index(field)] = tag.Get(field);
    const std::string& value = before[Index(field)];
    Require(texts[Index(field)] == value && SanitizeUtf8(value) == value);
    Require(tag.IsCut(field) == ((listed.Cut & Bit(field)) != 0));
    if (listed.Exists) Require(listed.Texts[Index(field)].starts_with(value));
  }
  Require(tag.HasTitle() == (tag.HasTag() && !before[Index(TField::Title)].empty()));

  if (edit.Convert && !tag.IsVersion2()) {
    tag.ConvertToVersion2();
    Require(tag.IsVersion2());
    // The genre becomes its number in parentheses; the rest carry over as they were.
    for (const TField field : TagFields) {
      if (field != TField::Genre) Require(tag.Get(field) == before[Index(field)]);
    }
    for (const TField field : TagFields) before[Index(field)] = tag.Get(field);
  }

  const std::size_t limit = tag.Limit(edit.Field);
  const bool fits = tag.Fits(edit.Field, edit.Text);
  tag.Set(edit.Field, edit.Text);
  const std::string value = TrimRightBlanks(CutToCharacters(edit.Text, limit));
  const std::string shown = tag.Get(edit.Field);
  if (tag.IsVersion2()) {
    Require(shown == (edit.Field == TField::Year ? CutToCharacters(value, 4) : value));
  } else if (fits && Info(edit.Field).BlockOffset != 0) {
    Require(shown == TrimTrailingSpaces(edit.Text));
  } else if (fits) {
    Require(shown.empty() == edit.Text.empty());
  }
  // A track that does not fit makes room behind a comment of 28 characters.
  for (const TField field : TagFields) {
    if (field != edit.Field && (fits || edit.Field != TField::Track))
      Require(tag.Get(field) == before[Index(field)]);
  }
  Require(tag.HasTitle() == (tag.HasTag() && !tag.GetTitle().empty()));
  if (!edit.Save) return;

  const bool modified = tag.Modified();
  TTagValues values;
  for (const TField field : TagFields) values.Texts[Index(field)] = before[Index(field)];
  values.Texts[Index(edit.Field)] = value;
  values.Set = Bit(edit.Field);
  Require(tag.WriteTag().empty() && !tag.Modified());
  if (modified)
    CheckSaved(bytes, tag, values, hadBlock, scratch);
  else
    Require(ReadFileBytes(tag.FullPath()) == bytes);
}

// The block rules on the input's last 128 bytes: a field written reads back as the text up to
// its first zero byte and its width, without trailing spaces, and leaves the marker, the genre
// and a track beside it as they were; a track set cuts the comment to 28 characters.
void CheckBlock(std::string_view bytes) {
  TID3v1Block block{};
  const std::size_t n = std::min(bytes.size(), block.size());
  std::copy_n(bytes.end() - n, n, block.begin());
  const std::uint8_t genre = HasBlockMarker(block) ? block[GenreOffset] : NoGenre;
  const std::uint8_t track = BlockTrack(block);
  const std::string_view text = bytes.substr(0, std::min<std::size_t>(bytes.size(), 40));
  for (const TField field :
       {TField::Title, TField::Artist, TField::Album, TField::Year, TField::Comment}) {
    const std::uint8_t offset = Info(field).BlockOffset;
    const std::uint8_t width =
        field == TField::Comment && track != 0 ? TextWidth - 2 : Info(field).BlockWidth;
    Require(ReadBlockField(block, offset, width).size() <= width);
    WriteBlockField(block, offset, width, text);
    const std::string stored(text.substr(0, std::min<std::size_t>(text.size(), width)));
    Require(ReadBlockField(block, offset, width) ==
            TrimTrailingSpaces(stored.substr(0, stored.find('\0'))));
    Require(HasBlockMarker(block) && block[GenreOffset] == genre);
    if (field != TField::Comment || track != 0) Require(BlockTrack(block) == track);
  }
  const std::uint8_t newTrack = text.empty() ? 0 : std::uint8_t(text[0]);
  SetBlockTrack(block, newTrack);
  Require(BlockTrack(block) == newTrack && block[GenreOffset] == genre);
  Require(ReadBlockField(block, CommentOffset, TextWidth).size() <= TextWidth - 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TScratch scratch;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const TEdit edit = EditOf(bytes);
  const TID3v2Texts listed = CheckListing(bytes, scratch);
  CheckSave(bytes, listed, edit, scratch);
  CheckTagObject(bytes, listed, edit, scratch);
  CheckBlock(bytes);
  return 0;
}
