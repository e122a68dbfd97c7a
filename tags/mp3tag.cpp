#include "tags/mp3tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/genres.h"
#include "tags/id3v1block.h"
#include "tags/id3v2build.h"
#include "tags/id3v2parse.h"
#include "tags/id3v2save.h"
#include "tags/posixfile.h"
#include "tags/savetarget.h"
#include "tags/tagsaver.h"
#include "tags/textcodec.h"
#include "tags/texttrim.h"

namespace {

constexpr std::int64_t BlockSize = std::tuple_size_v<TID3v1Block>;

std::size_t Index(TField field) { return 1 + std::size_t(field); }

std::string_view WithoutEndSpaces(std::string_view value) {
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return value;
}

// The value as a getter gives it: without the spaces at its end, the Year at most 4 characters.
std::string_view Shown(TField field, std::string_view value) {
  value = WithoutEndSpaces(value);
  return field == TField::Year ? CutToCharacters(value, YearWidth) : value;
}

std::string_view FileNameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// A track number of a block: 1 to 255 in decimal digits; none for anything else.
std::optional<std::uint8_t> BlockTrackNumber(std::string_view text) {
  unsigned number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < 1 || number > 255)
    return std::nullopt;
  return std::uint8_t(number);
}

std::size_t LongestGenreName() {
  static const std::size_t longest = [] {
    std::size_t n = 0;
    for (int i = 0; i < 255; ++i) n = std::max(n, GenreName(std::uint8_t(i)).size());
    return n;
  }();
  return longest;
}

// The width of a text field in a block: a comment beside a track holds 28 characters.
std::uint8_t BlockWidthIn(const TID3v1Block* block, TField field) {
  if (field == TField::Comment && block && BlockTrack(*block) != 0) return TextWidth - 2;
  return Info(field).BlockWidth;
}

// The value of a field in a block; empty without one.
std::string BlockValueIn(const TID3v1Block* block, TField field) {
  if (!block) return {};
  switch (field) {
    case TField::Track: {
      const std::uint8_t track = BlockTrack(*block);
      return track == 0 ? std::string() : std::to_string(track);
    }
    case TField::Genre:
      return HasBlockMarker(*block) ? std::string(GenreName((*block)[GenreOffset])) : "";
    default:
      return Win1252ToUtf8(
          ReadBlockField(*block, Info(field).BlockOffset, BlockWidthIn(block, field)));
  }
}

// The bytes of a block that hold the field.
std::pair<std::size_t, std::size_t> BlockRange(TField field) {
  if (field == TField::Track) return {TrackMarkOffset, GenreOffset};
  if (field == TField::Genre) return {GenreOffset, GenreOffset + 1};
  return {Info(field).BlockOffset, Info(field).BlockOffset + Info(field).BlockWidth};
}

// Copies the bytes that hold the fields in `fields` from one block into another.
void CopyFields(const TID3v1Block& from, TID3v1Block& to, TFieldSet fields, std::uint8_t comment) {
  const auto copy = [&](std::size_t offset, std::size_t width) {
    std::copy_n(from.begin() + offset, width, to.begin() + offset);
  };
  for (const TField field : TagFields) {
    if (!(fields & Bit(field))) continue;
    if (field == TField::Track) {
      copy(TrackMarkOffset, 2);
    } else if (field == TField::Genre) {
      copy(GenreOffset, 1);
    } else {
      copy(Info(field).BlockOffset, field == TField::Comment ? comment : Info(field).BlockWidth);
    }
  }
}

}  // namespace

void TMP3Tag::ReadTag(const std::string& path) { ReadTag(AT_FDCWD, path.c_str(), path); }

void TMP3Tag::ReadTag(int dirFd, const char* name, const std::string& path) {
  // One open serves the header, the frame walk and the block; only the block denies sharing.
  // The first open refuses a symbolic link; a path that is one is opened again, following it,
  // and a save will follow it too. Nothing of the object changes before the whole read is done.
  std::optional<TPosixFile> file;
  bool wasLink = false;
  try {
    file.emplace(dirFd, name, path, TFileAccess::Read, false);
  } catch (const TFileOpenError&) {
    file.emplace(dirFd, name, path, TFileAccess::Read, true);
    wasLink = true;
  }
  TFileSource source(*file, path);
  // Kept from read to read, so that the texts of most tags cost no allocation until they are
  // packed.
  thread_local TID3v2Texts version2;
  ReadID3v2Texts(source, version2);
  std::unique_ptr<TID3v1Block> block;
  if (!version2.Exists) {
    file->DenySharing(path);
    const std::int64_t size = file->SizeAtOpen();
    TID3v1Block read{};
    if (size >= BlockSize) {
      source.ReadAt(size - BlockSize, read.data(), read.size());
      if (HasBlockMarker(read)) block = std::make_unique<TID3v1Block>(read);
    }
  }

  FVersion2 = version2.Exists;
  if (FVersion2) {
    const auto text = [&](TField field) -> std::string_view {
      return version2.Texts[std::size_t(field)];
    };
    FStrings.Assign({path, text(TField::Title), text(TField::Artist), text(TField::Album),
                     text(TField::Year), text(TField::Comment), text(TField::Track),
                     text(TField::Genre)});
    FCut = version2.Cut;
  } else {
    FStrings.Assign({path});
    FCut = 0;
  }
  Block = std::move(block);
  FReadOnly = (file->Status().st_mode & S_IWUSR) == 0;
  Saved.Identity = {file->Status().st_dev, file->Status().st_ino, wasLink};
  Saved.Kind = FVersion2 ? TTagKind::Version2 : Block ? TTagKind::Version1 : TTagKind::None;
  FieldsSet = 0;
  FModified = false;
  FRead.reset();
  FHasTitle = TitleShown();
}

TID3v1Block& TMP3Tag::BlockToSet() {
  if (!Block) Block = std::make_unique<TID3v1Block>();
  return *Block;
}

namespace {

std::string ReadBytes(TByteSource& file, std::int64_t offset, std::int64_t size) {
  std::string bytes(std::size_t(size), '\0');
  file.ReadAt(offset, reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

}  // namespace

TFileChange TMP3Tag::PlanSave() const {
  const std::string path = FullPath();
  TSaveTarget target(path, &Saved.Identity, TFileAccess::ReadWrite);
  TPosixFile& file = target.File();
  file.DenySharing(path);
  // A file that gained or lost a block (or an ID3v2 tag) since it was read is not written.
  target.ExpectKind(Saved.Kind);
  TFileSource source(file, path);
  const TFileChange change{path, Saved.Identity, file.SizeAtOpen(), 0, {}, {}};
  return FVersion2 ? PlanVersion2(source, change) : PlanBlock(source, change);
}

TFileChange TMP3Tag::PlanBlock(TByteSource& file, TFileChange change) const {
  TID3v1Block block = Block ? *Block : TID3v1Block{};
  if (Saved.Kind == TTagKind::Version1) {
    // The fields set here go into the block the file holds now; the rest of it stays as another
    // program may have left it. A block is overwritten only where one still is, so audio is
    // never overwritten.
    change.Offset = change.Size - BlockSize;
    change.Old = ReadBytes(file, change.Offset, BlockSize);
    TID3v1Block current{};
    std::copy(change.Old.begin(), change.Old.end(), current.begin());
    CopyFields(block, current, FieldsSet, BlockWidth(TField::Comment));
    block = current;
  } else {
    WriteBlockMarker(block);
    change.Offset = change.Size;
  }
  change.New.assign(block.begin(), block.end());
  return change;
}

TFileChange TMP3Tag::PlanVersion2(TByteSource& file, TFileChange change) const {
  TTagValues values;
  for (const TField field : TagFields) values.Texts[std::size_t(field)] = FStrings[Index(field)];
  values.Set = FieldsSet;
  std::optional<TNewTag> made = SavedTag(file, values);
  if (!made) throw TFileOpenError(change.Path, "Its new tag could not be made.");
  // The old tag's room, padding included, takes the new tag when it fits; else the file is
  // rewritten with room to spare.
  const std::int64_t room = made->RestStart;
  std::optional<std::string> fitted;
  if (room > 0) fitted = PaddedTag(made->Bytes, room);
  if (!fitted) {
    const std::int64_t size = std::int64_t(made->Bytes.size()) + PaddingFor(change.Size);
    fitted = PaddedTag(std::move(made->Bytes), size);
    if (!fitted) throw TFileOpenError(change.Path, "Its new tag could not be made.");
  }
  change.Old = ReadBytes(file, 0, room);
  change.New = std::move(*fitted);
  return change;
}

void TMP3Tag::SaveDone(const TFileChange& change, const TFileIdentity& after) {
  if (!FVersion2) std::copy(change.New.begin(), change.New.end(), BlockToSet().begin());
  Saved.Identity = after;
  Saved.Kind = FVersion2 ? TTagKind::Version2 : TTagKind::Version1;
  FieldsSet = 0;
  FModified = false;
  FRead.reset();
}

TMP3Tag::TState TMP3Tag::State() const {
  TState state;
  state.Strings = FStrings;
  if (Block) state.Block = std::make_unique<TID3v1Block>(*Block);
  state.Version2 = FVersion2;
  state.Set = FieldsSet;
  return state;
}

void TMP3Tag::Restore(TState state) {
  FStrings = std::move(state.Strings);
  Block = std::move(state.Block);
  FVersion2 = state.Version2;
  FieldsSet = state.Set;
  FModified = FieldsSet != 0 || (FRead && FRead->Version2 != FVersion2);
  FHasTitle = TitleShown();
}

void TMP3Tag::KeepRead() {
  if (!FRead) FRead = std::make_unique<TState>(State());
}

bool TMP3Tag::SameAsRead(TField field) const {
  if (!FRead) return true;
  if (FRead->Version2 != FVersion2) return false;
  if (FVersion2) return FStrings[Index(field)] == FRead->Strings[Index(field)];
  // The block's bytes that hold the field, whatever it shows.
  const TID3v1Block none{};
  const TID3v1Block& now = Block ? *Block : none;
  const TID3v1Block& read = FRead->Block ? *FRead->Block : none;
  const auto [from, to] = BlockRange(field);
  return std::equal(now.begin() + from, now.begin() + to, read.begin() + from);
}

void TMP3Tag::CompareWithRead(TField field) {
  if (SameAsRead(field))
    FieldsSet &= TFieldSet(~Bit(field));
  else
    FieldsSet |= Bit(field);
  if (FieldsSet == 0 && FRead->Version2 == FVersion2) {
    // Every field holds again what was read: the object is as read, block marker and all.
    BackToRead();
    return;
  }
  FModified = FieldsSet != 0 || (FRead && FRead->Version2 != FVersion2);
  FHasTitle = TitleShown();
}

void TMP3Tag::BackToRead() {
  Restore(std::move(*FRead));
  FRead.reset();
  FModified = FieldsSet != 0;
}

std::string TMP3Tag::WriteTag() {
  if (!FModified) return {};
  TTagSaver saver;
  for (const TSaveReport& report : saver.Save({this})) {
    if (report.Path != FullPath()) continue;
    if (report.Changed) throw TFileChangedError(report.Path);
    if (!report.Failure.empty()) throw TFileOpenError(report.Path, report.Failure);
    return report.Warning;
  }
  return {};
}

bool TMP3Tag::HasTag() const { return FVersion2 || (Block && HasBlockMarker(*Block)); }

bool TMP3Tag::TitleShown() const {
  // An ID3v2 title holds no blanks at its end, so it shows empty only when it is empty; the
  // scan asks this of every file.
  if (FVersion2) return !FStrings[Index(TField::Title)].empty();
  return HasTag() && !Get(TField::Title).empty();
}

void TMP3Tag::ConvertToVersion2() {
  if (FVersion2) return;
  KeepRead();
  std::array<std::string, FieldCount> texts;
  for (const TField field :
       {TField::Title, TField::Artist, TField::Album, TField::Year, TField::Comment})
    texts[std::size_t(field)] = Get(field);
  // The block's track and genre go along: the genre as its number in parentheses, as common
  // writers put a genre of the standard list.
  if (Block && BlockTrack(*Block) != 0)
    texts[std::size_t(TField::Track)] = std::to_string(BlockTrack(*Block));
  if (Block && HasBlockMarker(*Block) && (*Block)[GenreOffset] != NoGenre)
    texts[std::size_t(TField::Genre)] = "(" + std::to_string((*Block)[GenreOffset]) + ")";

  const auto text = [&](TField field) -> std::string_view { return texts[std::size_t(field)]; };
  FStrings.Assign({FStrings[PathIndex], text(TField::Title), text(TField::Artist),
                   text(TField::Album), text(TField::Year), text(TField::Comment),
                   text(TField::Track), text(TField::Genre)});
  FVersion2 = true;
  Block.reset();
  FieldsSet = 0;
  for (const TField field : TagFields) {
    if (!text(field).empty()) FieldsSet |= Bit(field);
  }
  // Converting an empty block changes nothing a save would write.
  if (FieldsSet == 0) return;
  FModified = true;
  FHasTitle = TitleShown();
}

std::uint8_t TMP3Tag::BlockWidth(TField field) const { return BlockWidthIn(Block.get(), field); }

std::string TMP3Tag::BlockValue(TField field) const { return BlockValueIn(Block.get(), field); }

void TMP3Tag::SetBlockValue(TField field, const std::string& text) {
  TID3v1Block& block = BlockToSet();
  switch (field) {
    case TField::Track:
      SetBlockTrack(block, BlockTrackNumber(text).value_or(0));
      break;
    case TField::Genre:
      WriteBlockMarker(block);
      block[GenreOffset] = GenreNumber(text).value_or(NoGenre);
      break;
    default: {
      const bool hadTrack = BlockTrack(block) != 0;
      WriteBlockField(block, Info(field).BlockOffset, BlockWidth(field), Utf8ToWin1252(text));
      // A comment of 28 characters puts its zero byte at 125, which makes a track of whatever
      // an older, longer comment left in byte 126.
      if (field == TField::Comment && !hadTrack && BlockTrack(block) != 0) block[TrackOffset] = 0;
      break;
    }
  }
}

std::string TMP3Tag::Value(TField field) const {
  if (field == TField::FileName) return std::string(FileNameOf(FStrings[PathIndex]));
  if (FVersion2) return std::string(WithoutEndSpaces(FStrings[Index(field)]));
  return BlockValue(field);
}

std::string TMP3Tag::Get(TField field) const {
  std::string value = Value(field);
  if (field == TField::Year) value.resize(CutToCharacters(value, YearWidth).size());
  return value;
}

std::size_t TMP3Tag::Limit(TField field) const {
  if (field == TField::FileName) return 0;
  // A batch of a hundred thousand cells asks this of each: the text is counted where it lies.
  if (FVersion2)
    return std::max(Info(field).Limit, CharacterCount(WithoutEndSpaces(FStrings[Index(field)])));
  if (field == TField::Track) return 3;
  if (field == TField::Genre) return LongestGenreName();
  return BlockWidth(field);
}

bool TMP3Tag::Fits(TField field, const std::string& text) const {
  if (field == TField::FileName) return false;
  if (FVersion2) return true;
  if (field == TField::Genre) return text.empty() || GenreNumber(text).has_value();
  if (field == TField::Track) {
    // A track takes the bytes behind a comment of 28 characters. Set cuts a text to the limit
    // first, so "0127" would be stored as track 12.
    const bool roomBehindComment = CharacterCount(Get(TField::Comment)) <= TextWidth - 2;
    return text.empty() ||
           (BlockTrackNumber(text) && text.size() <= Limit(field) && roomBehindComment);
  }
  return CharacterCount(text) <= Limit(field) && FitsWin1252(text);
}

void TMP3Tag::Set(TField field, const std::string& text) {
  if (field == TField::FileName) return;
  const std::string_view value = CutToCharacters(text, Limit(field));
  // Only a text that differs, byte for byte, from the value as read reaches the tag.
  if (FVersion2 ? value == WithoutEndSpaces(FStrings[Index(field)]) : value == Value(field)) return;
  if (FVersion2 && !FRead) {
    // The first change of an ID3v2 tag: its texts as read are kept as they are, and the object's
    // own are packed anew with the change, so that an edit of many files copies none.
    FRead = std::make_unique<TState>();
    FRead->Version2 = true;
    FRead->Set = FieldsSet;
    FRead->Strings = std::move(FStrings);
    FStrings = FRead->Strings.With(Index(field), TrimRightBlanks(value));
    CompareWithRead(field);
    return;
  }
  KeepRead();
  if (FVersion2 && FRead->Version2 && value == WithoutEndSpaces(FRead->Strings[Index(field)])) {
    // Back to what the tag held when it was read: its text as it was, blanks at its end
    // included, so the file is not written for it. Where no other field differs, the tag is as
    // read as a whole (an undo of many files takes this way).
    if ((FieldsSet & ~Bit(field)) == 0) {
      BackToRead();
      return;
    }
    FStrings.Set(Index(field), FRead->Strings[Index(field)]);
  } else if (FVersion2) {
    FStrings.Set(Index(field), TrimRightBlanks(value));
  } else if (!FRead->Version2 &&
             value == BlockValueIn(FRead->Block ? &*FRead->Block : nullptr, field)) {
    // Back to what the block showed when it was read: its bytes as they were, stale bytes
    // behind a shorter text included, so the file is not written for it.
    const TID3v1Block none{};
    const auto [from, to] = BlockRange(field);
    const TID3v1Block& read = FRead->Block ? *FRead->Block : none;
    std::copy(read.begin() + from, read.begin() + to, BlockToSet().begin() + from);
  } else {
    SetBlockValue(field, std::string(value));
  }
  CompareWithRead(field);
}

TMP3Tag::TFieldTexts TMP3Tag::Texts(std::string& buffer) const {
  TFieldTexts texts;
  texts[std::size_t(TField::FileName)] = FileNameOf(FStrings[PathIndex]);
  if (FVersion2) {
    for (const TField field : TagFields)
      texts[std::size_t(field)] = Shown(field, FStrings[Index(field)]);
    return texts;
  }
  if (!Block) return texts;
  // The views are taken once every text is in, since appending may move the buffer.
  buffer.clear();
  std::size_t ends[FieldCount] = {};
  for (const TField field : TagFields) {
    buffer += BlockValue(field);
    ends[std::size_t(field)] = buffer.size();
  }
  std::size_t begin = 0;
  for (const TField field : TagFields) {
    const std::size_t end = ends[std::size_t(field)];
    texts[std::size_t(field)] = std::string_view(buffer).substr(begin, end - begin);
    begin = end;
  }
  return texts;
}
