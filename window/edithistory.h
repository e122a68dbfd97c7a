#pragma once

#include <cstddef>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tags/fields.h"
#include "tags/mp3tag.h"

// What an undo or a redo changes: the fields of listed files, named by the row store's entry
// (not the table's row, which a sort moves).
class TEditTarget {
 public:
  virtual ~TEditTarget() = default;
  // Puts the value into the field and returns the value the field held.
  virtual std::string SwapText(int row, TField field, const std::string& value) = 0;
  // Puts the tag back whole (a conversion, a text longer than a typed one may be) and returns
  // the state it was in.
  virtual TMP3Tag::TState SwapState(int row, TMP3Tag::TState state) = 0;
  // The rows a step swaps values of, in order, while it swaps those of rows[at]: a target may
  // fetch what it will look at next.
  virtual void Ahead(std::span<const int> /*rows*/, std::size_t /*at*/) {}
};

// One user action's changes (a typed value, a paste, a fill, a clear): for each field it
// changed, the value it replaced; for each tag that changed whole, its state before. Taking the
// step back swaps each value with the one the field holds, so the same step then redoes it.
//
// A step of 100,000 cells is one byte string: per cell a byte for the field, the row as the
// difference to the last one, and the value behind its length; a value equal to the one before
// is not stored again. A value of ten characters thus costs 13 bytes, a repeated one 2.
class TEditStep {
 public:
  // A field must appear once per step, and a tag kept whole has no field of its own in it.
  void AddText(int row, TField field, std::string_view value);
  void AddState(int row, TMP3Tag::TState state);

  bool Empty() const { return Entries == 0; }
  std::size_t Cells() const { return Entries; }
  // The heap bytes the step holds.
  std::size_t Bytes() const;

  // Puts every value and state of the step into the target and keeps what they replaced.
  void Swap(TEditTarget& target);

  // Frees the room the step was built in beyond what it holds.
  void Shrink();

 private:
  std::string Packed;
  std::vector<std::pair<int, TMP3Tag::TState>> States;
  std::size_t Entries = 0;
  int LastRow = 0;
  // Where the last value stored lies in Packed.
  std::size_t LastValue = 0, LastLength = 0;
  bool HasLast = false;
};

// The steps that can be undone and redone, newest last. A new step drops the steps undone
// before it. The oldest steps go when the history holds more than Budget bytes.
class TEditHistory {
 public:
  static constexpr std::size_t Budget = std::size_t(256) << 20;

  void Push(TEditStep step);
  bool CanUndo() const { return !Done.empty(); }
  bool CanRedo() const { return !Undone.empty(); }
  // Take back the newest step, or do again the last one undone; false when there is none.
  bool Undo(TEditTarget& target);
  bool Redo(TEditTarget& target);
  void Clear();
  std::size_t Bytes() const { return Held; }

 private:
  // Swaps the newest step of `from` and keeps it as the newest of `to`.
  bool Move(std::deque<TEditStep>& from, std::deque<TEditStep>& to, TEditTarget& target);

  std::deque<TEditStep> Done, Undone;
  std::size_t Held = 0;
};
