#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

// An array that grows by whole chunks and never moves an entry once it exists: growing adds one
// chunk of value-initialised entries and leaves the others where they are, so references into it
// stay valid and the array is never copied. The first chunk holds `First` entries, every later
// one `Step`. The sizes are constants: a look through a million rows finds each entry's chunk by
// a multiplication, not a division.
template <typename T, std::size_t First, std::size_t Step>
class TChunkedArray {
 public:
  TChunkedArray() { Grow(); }
  TChunkedArray(const TChunkedArray&) = delete;
  TChunkedArray& operator=(const TChunkedArray&) = delete;

  std::size_t size() const { return Size; }

  T& operator[](std::size_t index) { return *Entry(index); }
  const T& operator[](std::size_t index) const { return *Entry(index); }

  // Adds one chunk: `First` entries to an empty array, else `Step`.
  void Grow() {
    const std::size_t count = Chunks.empty() ? First : Step;
    Chunks.push_back(std::make_unique<T[]>(count));
    Size += count;
  }

  // Destroys every entry and chunk.
  void clear() {
    Chunks.clear();
    Size = 0;
  }

  template <typename Array, typename Value>
  class TIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = Value*;
    using reference = Value&;

    TIterator() = default;
    TIterator(Array* array, std::size_t index) : Owner(array), Index(index) {}
    reference operator*() const { return (*Owner)[Index]; }
    pointer operator->() const { return &(*Owner)[Index]; }
    TIterator& operator++() {
      ++Index;
      return *this;
    }
    TIterator operator++(int) {
      TIterator before = *this;
      ++Index;
      return before;
    }
    bool operator==(const TIterator& other) const { return Index == other.Index; }

   private:
    Array* Owner = nullptr;
    std::size_t Index = 0;
  };
  using iterator = TIterator<TChunkedArray, T>;
  using const_iterator = TIterator<const TChunkedArray, const T>;

  iterator begin() { return {this, 0}; }
  iterator end() { return {this, Size}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, Size}; }

 private:
  T* Entry(std::size_t index) const {
    if (index < First) return &Chunks[0][index];
    const std::size_t later = index - First;
    return &Chunks[1 + later / Step][later % Step];
  }

  std::size_t Size = 0;
  // Only this table of chunk addresses is reallocated as chunks are added: 8 bytes per chunk.
  std::vector<std::unique_ptr<T[]>> Chunks;
};
