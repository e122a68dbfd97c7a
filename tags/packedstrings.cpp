#include "tags/packedstrings.h"

#include <algorithm>
#include <vector>

namespace {

std::size_t LengthBytes(std::size_t n) {
  std::size_t bytes = 1;
  for (; n >= 0x80; n >>= 7) ++bytes;
  return bytes;
}

char* PutLength(char* out, std::size_t n) {
  for (; n >= 0x80; n >>= 7) *out++ = static_cast<char>((n & 0x7F) | 0x80);
  *out++ = static_cast<char>(n);
  return out;
}

std::size_t TakeLength(const char*& in) {
  std::size_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    n |= std::size_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return n;
  }
}

// The strings `get(0)` to `get(count - 1)` in a new allocation; none for no string.
template <typename Get>
std::unique_ptr<char[]> Pack(std::size_t count, Get get) {
  if (count == 0) return nullptr;
  std::size_t size = LengthBytes(count);
  for (std::size_t i = 0; i < count; ++i) size += LengthBytes(get(i).size()) + get(i).size();
  auto data = std::make_unique_for_overwrite<char[]>(size);
  char* out = PutLength(data.get(), count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view text = get(i);
    out = std::copy(text.begin(), text.end(), PutLength(out, text.size()));
  }
  return data;
}

// The bytes a packed allocation takes.
std::size_t PackedSize(const char* data) {
  const char* in = data;
  const std::size_t count = TakeLength(in);
  for (std::size_t i = 0; i < count; ++i) in += TakeLength(in);
  return std::size_t(in - data);
}

}  // namespace

std::size_t TPackedStrings::Count() const {
  if (!Data) return 0;
  const char* in = Data.get();
  return TakeLength(in);
}

std::string_view TPackedStrings::operator[](std::size_t index) const {
  if (!Data) return {};
  const char* in = Data.get();
  if (index >= TakeLength(in)) return {};
  for (std::size_t i = 0; i < index; ++i) in += TakeLength(in);
  const std::size_t length = TakeLength(in);
  return {in, length};
}

void TPackedStrings::Assign(std::initializer_list<std::string_view> strings) {
  Data = Pack(strings.size(), [&](std::size_t i) { return strings.begin()[i]; });
}

TPackedStrings TPackedStrings::With(std::size_t index, std::string_view text) const {
  // The strings are found in one walk, not one walk each: an edit of many files sets a string
  // in each.
  const std::size_t count = std::max(Count(), index + 1);
  std::string_view few[16];
  std::vector<std::string_view> many(count > std::size(few) ? count : 0);
  std::string_view* strings = many.empty() ? few : many.data();
  if (Data) {
    const char* in = Data.get();
    const std::size_t held = TakeLength(in);
    for (std::size_t i = 0; i < held; ++i) {
      const std::size_t length = TakeLength(in);
      strings[i] = {in, length};
      in += length;
    }
  }
  strings[index] = text;
  TPackedStrings with;
  with.Data = Pack(count, [&](std::size_t i) { return strings[i]; });
  return with;
}

namespace {

std::unique_ptr<char[]> Copy(const std::unique_ptr<char[]>& data) {
  if (!data) return nullptr;
  const std::size_t size = PackedSize(data.get());
  auto copy = std::make_unique_for_overwrite<char[]>(size);
  std::copy_n(data.get(), size, copy.get());
  return copy;
}

}  // namespace

TPackedStrings::TPackedStrings(const TPackedStrings& other) : Data(Copy(other.Data)) {}

TPackedStrings& TPackedStrings::operator=(const TPackedStrings& other) {
  if (this != &other) Data = Copy(other.Data);
  return *this;
}
