#include "tags/id3v2.h"

#include <algorithm>
#include <exception>

#include "tags/bytesource.h"
#include "tags/fileerror.h"
#include "tags/id3v2build.h"
#include "tags/id3v2parse.h"
#include "tags/posixfile.h"
#include "tags/rewrite.h"
#include "tags/texttrim.h"

void TID3v2::Clear() { *this = TID3v2(); }

bool TID3v2::ReadFromFile(const std::string& path) {
  Clear();
  try {
    const TPosixFile file(path, TFileAccess::Read);
    TFileSource source(file);
    return ParseID3v2(source, *this);
  } catch (const std::exception&) {
    Clear();
    return false;
  }
}

bool TID3v2::WriteToFile(const std::string& path) const {
  try {
    const std::optional<std::string> tag = BuildTag(*this);
    if (!tag) return false;
    return RewriteFile(path, [&](TByteSource& file) -> std::optional<TNewTag> {
      TTagInfo info;
      if (!ReadHeader(file, info)) return std::nullopt;
      const bool hasTag = std::equal(info.Header.begin(), info.Header.begin() + 3, "ID3");
      return TNewTag{*tag, hasTag ? GetTagSize(info) : 0};
    });
  } catch (const std::exception&) {
    return false;
  }
}

void TID3v2::SetTitle(const std::string& text) { FTitle = TrimRightBlanks(text); }
void TID3v2::SetArtist(const std::string& text) { FArtist = TrimRightBlanks(text); }
void TID3v2::SetAlbum(const std::string& text) { FAlbum = TrimRightBlanks(text); }
void TID3v2::SetYear(const std::string& text) { FYear = TrimRightBlanks(text); }
void TID3v2::SetComment(const std::string& text) { FComment = TrimRightBlanks(text); }
