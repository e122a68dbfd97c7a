#include "window/edithistory.h"

namespace {

// An entry's first byte: the field, and whether its value is the one before.
constexpr unsigned char FieldMask = 0x07;
constexpr unsigned char SameValue = 0x08;
static_assert(FieldCount <= FieldMask + 1);

void PutNumber(std::string& out, std::size_t number) {
  while (number >= 0x80) {
    out += char((number & 0x7F) | 0x80);
    number >>= 7;
  }
  out += char(number);
}

std::size_t TakeNumber(const std::string& in, std::size_t& at) {
  std::size_t number = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(in[at++]);
    number |= std::size_t(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return number;
  }
}

// Rows as differences, of either sign: a sorted table may list them in any order.
std::size_t ZigZag(int difference) {
  return difference >= 0 ? std::size_t(difference) * 2 : std::size_t(-(difference + 1)) * 2 + 1;
}
int UnZigZag(std::size_t number) { return number & 1 ? -int(number / 2) - 1 : int(number / 2); }

}  // namespace

void TEditStep::AddText(int row, TField field, std::string_view value) {
  const bool same = HasLast && std::string_view(Packed).substr(LastValue, LastLength) == value;
  Packed += char(unsigned(field) | (same ? SameValue : 0));
  PutNumber(Packed, ZigZag(row - LastRow));
  LastRow = row;
  if (!same) {
    PutNumber(Packed, value.size());
    LastValue = Packed.size();
    LastLength = value.size();
    Packed += value;
    HasLast = true;
  }
  ++Entries;
}

void TEditStep::AddState(int row, TMP3Tag::TState state) {
  States.emplace_back(row, std::move(state));
  ++Entries;
}

std::size_t TEditStep::Bytes() const {
  // A state holds the tag's texts besides; a conversion is rare enough to count it by its size.
  return Packed.capacity() + States.capacity() * sizeof(States[0]);
}

void TEditStep::Shrink() {
  Packed.shrink_to_fit();
  States.shrink_to_fit();
}

void TEditStep::Swap(TEditTarget& target) {
  // The entries are read first, so that the target knows the rows ahead.
  struct TEntry {
    TField Field;
    std::string_view Value;
  };
  std::vector<int> rows;
  std::vector<TEntry> entries;
  rows.reserve(Entries);
  entries.reserve(Entries);
  std::size_t at = 0;
  int row = 0;
  std::string_view value;
  while (at < Packed.size()) {
    const auto head = static_cast<unsigned char>(Packed[at++]);
    row += UnZigZag(TakeNumber(Packed, at));
    if (!(head & SameValue)) {
      const std::size_t length = TakeNumber(Packed, at);
      value = std::string_view(Packed).substr(at, length);
      at += length;
    }
    rows.push_back(row);
    entries.push_back({TField(head & FieldMask), value});
  }
  // The replaced values are stored as the step was: the step is built again beside the old one.
  TEditStep swapped;
  swapped.Packed.reserve(Packed.size());
  std::string kept;
  for (std::size_t n = 0; n < entries.size(); ++n) {
    target.Ahead(rows, n);
    kept.assign(entries[n].Value);
    swapped.AddText(rows[n], entries[n].Field, target.SwapText(rows[n], entries[n].Field, kept));
  }
  for (auto& [stateRow, state] : States)
    swapped.AddState(stateRow, target.SwapState(stateRow, std::move(state)));
  swapped.Shrink();
  *this = std::move(swapped);
}

void TEditHistory::Push(TEditStep step) {
  if (step.Empty()) return;
  step.Shrink();
  for (const TEditStep& undone : Undone) Held -= undone.Bytes();
  Undone.clear();
  Held += step.Bytes();
  Done.push_back(std::move(step));
  while (Held > Budget && Done.size() > 1) {
    Held -= Done.front().Bytes();
    Done.pop_front();
  }
}

bool TEditHistory::Undo(TEditTarget& target) { return Move(Done, Undone, target); }

bool TEditHistory::Redo(TEditTarget& target) { return Move(Undone, Done, target); }

bool TEditHistory::Move(std::deque<TEditStep>& from, std::deque<TEditStep>& to,
                        TEditTarget& target) {
  if (from.empty()) return false;
  TEditStep step = std::move(from.back());
  from.pop_back();
  Held -= step.Bytes();
  step.Swap(target);
  Held += step.Bytes();
  to.push_back(std::move(step));
  return true;
}

void TEditHistory::Clear() {
  Done.clear();
  Undone.clear();
  Held = 0;
}
