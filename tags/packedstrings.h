#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "tags/prefetch.h"

// Byte strings held back to back in one allocation, each behind its length: what a listed file
// keeps (its path, its texts) costs one small block instead of a string object apiece. A length
// below 128 takes one byte, and every further 7 bits one byte more. Holding no string allocates
// nothing.
class TPackedStrings {
 public:
  TPackedStrings() = default;
  TPackedStrings(TPackedStrings&&) noexcept = default;
  TPackedStrings& operator=(TPackedStrings&&) noexcept = default;
  TPackedStrings(const TPackedStrings& other);
  TPackedStrings& operator=(const TPackedStrings& other);

  std::size_t Count() const;
  // The string at the index, empty beyond the count; valid until the strings change.
  std::string_view operator[](std::size_t index) const;

  // Asks the processor to fetch the strings while other work goes on: the first two cache
  // lines, which hold a path and the texts behind it for most files.
  void Prefetch() const {
    PrefetchAddress(Data.get());
    PrefetchNextLine(Data.get());
  }

  // Replaces every string; the new ones may be views of the old.
  void Assign(std::initializer_list<std::string_view> strings);
  // Replaces one string and keeps the others; beyond the count, empty strings fill the gap.
  void Set(std::size_t index, std::string_view text) { *this = With(index, text); }
  // The same in a new copy, leaving these strings as they are.
  TPackedStrings With(std::size_t index, std::string_view text) const;

 private:
  std::unique_ptr<char[]> Data;  // the count, then each string's length and bytes
};
