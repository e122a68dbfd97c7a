#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tags/fields.h"
#include "tags/filechange.h"
#include "tags/fileidentity.h"
#include "tags/id3v1block.h"
#include "tags/packedstrings.h"

// The tag of one MP3 file, hiding whether it is held as ID3v2 or as the ID3v1 block at the end
// of the file. A file with an ID3v2 tag is always handled through it; otherwise the 128-byte
// block is used, and a file with neither gets a block as soon as a field is set. Fields are
// named by TField; values are UTF-8 texts.
//
// A long list holds one object per file, so each keeps only what its file needs: its path and,
// for an ID3v2 tag, the values in one allocation; the block only for a file that has one (or
// gets one); the identity and kind of tag a save checks; a few flags.
class TByteSource;

class TMP3Tag {
 public:
  TMP3Tag() = default;

  // Loads the tag of the file. Throws TFileOpenError when the file cannot be opened or read
  // (an ID3v1 block is read with sharing denied); the object then keeps what it held.
  void ReadTag(const std::string& path);
  // The same for the file `name` in the open folder `dirFd`, whose whole path is `path`: a scan
  // that holds the folder open spares the system the walk along the path for every file.
  void ReadTag(int dirFd, const char* name, const std::string& path);

  // Writes the tag back if Modified, as a save of this one file (TTagSaver), into the file that
  // was read only: a file replaced since (another file or a symbolic link under the name) or
  // whose kind of tag changed (none, version 1, version 2) is not written. A failure of either
  // kind of tag throws TFileOpenError (TFileChangedError for a changed file) whose reason is in
  // the user's words; Modified then stays true and the file keeps its bytes. Returns what the
  // person should know of a save that succeeded only in part (written, but not yet flushed to
  // disk), else nothing.
  std::string WriteTag();

  // What a save of the modified tag changes in its file, read from the file as it is now (the
  // file that was read, with the kind of tag it had): the set fields go into the tag or block
  // the file holds. An ID3v2 tag that fits the room of the old one (tag and padding) takes it
  // all, padded; a larger one is written with padding for later edits. Throws TFileOpenError.
  TFileChange PlanSave() const;
  // The planned change was written: the file is now `after`, and nothing is modified.
  void SaveDone(const TFileChange& change, const TFileIdentity& after);

  bool HasTag() const;
  bool IsVersion2() const { return FVersion2; }
  // Makes the tag an ID3v2 tag holding the block's values, its track and genre included.
  void ConvertToVersion2();

  // A field's value: for an ID3v1 block without its trailing spaces, for an ID3v2 tag as read
  // or set, without the spaces at its end; the Year at most 4 characters; the File name the
  // path's last part.
  std::string Get(TField field) const;
  // Sets a field: the text is cut to the field's limit, then compared with the whole value (a
  // Year too): only a text that differs, byte for byte, changes the tag and sets Modified. The
  // File name is not set here.
  void Set(TField field, const std::string& text);
  // The most characters the field takes: in a block its width (a comment beside a track 28),
  // the track 3 and the genre its longest name; in an ID3v2 tag the field's limit, or the
  // length of the whole value it holds where that is longer, since no text read is ever cut.
  std::size_t Limit(TField field) const;
  // The text can be kept as it is: in an ID3v1 block, it is within the field's limit and every
  // character has a byte there (a track is a number from 1 to 255 beside a comment of at most
  // 28 characters, a genre a name of the standard list); in an ID3v2 tag, any text.
  bool Fits(TField field, const std::string& text) const;
  // The listing kept only the start of the field's text, which was too long to show: it must
  // not be edited from what was shown.
  bool IsCut(TField field) const { return (FCut & Bit(field)) != 0; }
  // The field was set to a value other than the file holds, and a save will write it. A field
  // set back to what the file holds is not, and a tag whose every field is back (a conversion
  // to version 2 taken back too) is no longer modified.
  bool IsSet(TField field) const { return (FieldsSet & Bit(field)) != 0; }

  // Everything an edit can change of the object, to put it back as it was: an edit history
  // keeps one for a tag whose kind of tag an edit changed (a conversion to version 2).
  class TState {
    friend class TMP3Tag;
    TPackedStrings Strings;
    // Held apart: most tags kept are ID3v2 tags, and an edit of many files keeps one each.
    std::unique_ptr<TID3v1Block> Block;
    bool Version2 = false;
    TFieldSet Set = 0;
  };
  TState State() const;
  void Restore(TState state);

  std::string GetTitle() const { return Get(TField::Title); }
  std::string GetArtist() const { return Get(TField::Artist); }
  std::string GetAlbum() const { return Get(TField::Album); }
  std::string GetYear() const { return Get(TField::Year); }
  std::string GetComment() const { return Get(TField::Comment); }
  void SetTitle(const std::string& text) { Set(TField::Title, text); }
  void SetArtist(const std::string& text) { Set(TField::Artist, text); }
  void SetAlbum(const std::string& text) { Set(TField::Album, text); }
  void SetYear(const std::string& text) { Set(TField::Year, text); }
  void SetComment(const std::string& text) { Set(TField::Comment, text); }

  using TFieldTexts = std::array<std::string_view, FieldCount>;
  // Every field's value as Get gives it, without a copy of each: views of the object's own
  // texts for an ID3v2 tag; for a block, of its texts converted into `buffer`. Valid until the
  // object or the buffer changes.
  TFieldTexts Texts(std::string& buffer) const;

  // The tag counts as valid: HasTag and a non-empty title.
  bool HasTitle() const { return FHasTitle; }
  // A field was set since the last ReadTag or successful WriteTag.
  bool Modified() const { return FModified; }
  // The whole path the file was read with; every later operation uses it.
  std::string FullPath() const { return std::string(FStrings[PathIndex]); }
  // The same without a copy, for a look at many paths: valid until the object changes.
  std::string_view FullPathView() const { return FStrings[PathIndex]; }
  // Asks the processor to fetch the path and the texts, and where the tag as read is kept,
  // while other work goes on: a look at many files waits mostly for memory.
  void Prefetch() const {
    FStrings.Prefetch();
    PrefetchAddress(FRead.get());
  }
  // The path alone (and the texts behind it): what a look through paths reads.
  void PrefetchPath() const { FStrings.Prefetch(); }
  // The same for the texts as read, once Prefetch has fetched where they are kept.
  void PrefetchAsRead() const {
    if (FRead) FRead->Strings.Prefetch();
  }
  // The file carried the read-only attribute (owner write bit clear) when ReadTag opened it.
  bool ReadOnly() const { return FReadOnly; }

 private:
  // FStrings holds the path, then for an ID3v2 tag the value of each field a frame holds, at
  // 1 + its TField.
  static constexpr std::size_t PathIndex = 0;

  TFileChange PlanBlock(TByteSource& file, TFileChange change) const;
  TFileChange PlanVersion2(TByteSource& file, TFileChange change) const;
  // HasTag and a non-empty title as GetTitle returns it.
  bool TitleShown() const;
  // A field's whole value, without the spaces at its end: what Get gives but for the Year,
  // which Get shows at most 4 characters of. Setters compare with this.
  std::string Value(TField field) const;
  // The value of a field in the block.
  std::string BlockValue(TField field) const;
  void SetBlockValue(TField field, const std::string& text);
  // The width of a text field in the block: a comment beside a track holds 28 characters.
  std::uint8_t BlockWidth(TField field) const;
  // The block, made empty when the object has none yet.
  TID3v1Block& BlockToSet();
  // Keeps the tag as read before the first change, unless it is kept already.
  void KeepRead();
  // After a change: a field that holds again what was read is no longer set, and when every
  // field does, the object is as read again.
  void CompareWithRead(TField field);
  bool SameAsRead(TField field) const;
  // Every field holds what was read: the object becomes the tag as read, and nothing is set.
  void BackToRead();

  TPackedStrings FStrings;
  std::unique_ptr<TID3v1Block> Block;  // only without ID3v2 tag: the block as read, or a new one
  TSaveExpectation Saved;              // the file as read or last written, and its kind of tag
  bool FVersion2 = false;
  bool FHasTitle = false;
  bool FReadOnly = false;
  bool FModified = false;
  // The fields set since the read or the last save: a save writes these alone, into the tag or
  // block the file holds then.
  TFieldSet FieldsSet = 0;
  TFieldSet FCut = 0;  // the fields the listing cut
  // The tag as read or last saved, from the first change on; none while nothing changed.
  std::unique_ptr<TState> FRead;
};
