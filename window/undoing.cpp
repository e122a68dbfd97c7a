// Undo and redo of the edits since the last save or scan, step by step; the undo of the save
// itself is in saving.cpp.
#include <QStringDecoder>
#include <optional>

#include "window/tagtable.h"

// Puts values back into the tags and their rows, and keeps the count of modified tags.
class TTagTable::TUndoTarget : public TEditTarget {
 public:
  explicit TUndoTarget(TTagTable& table) : Owner(table) {}

  std::string SwapText(int entry, TField field, const std::string& value) override {
    Note(entry, field);
    TMP3Tag& tag = *Owner.Store.Tags[std::size_t(entry)];
    std::string held = tag.Get(field);
    const bool wasModified = tag.Modified(), hadTitle = tag.HasTitle();
    tag.Set(field, value);
    Owner.ModifiedChanged(wasModified, tag.Modified());
    // A row that shows the tag shows the value put back; one whose tag gained or lost its
    // valid title shows the tag as a scan does.
    // The values of a step came from Get, so the tag shows them as they are.
    if (hadTitle && tag.HasTitle())
      Owner.Store.Rows[std::size_t(entry)].SetText(int(field), Shown(value));
    else
      Owner.RefillEntry(entry);
    return held;
  }

  void Ahead(std::span<const int> entries, std::size_t at) override {
    Owner.Store.PrefetchAhead(entries.size(), at, [&](std::size_t n) { return entries[n]; });
  }

  TMP3Tag::TState SwapState(int entry, TMP3Tag::TState state) override {
    Note(entry, std::nullopt);
    TMP3Tag& tag = *Owner.Store.Tags[std::size_t(entry)];
    TMP3Tag::TState held = tag.State();
    const bool wasModified = tag.Modified();
    tag.Restore(std::move(state));
    Owner.ModifiedChanged(wasModified, tag.Modified());
    Owner.RefillEntry(entry);
    return held;
  }

  // As in a spreadsheet, the cell an undo or a redo changed first becomes the active one, so
  // that the change is in sight even in a long or sorted list. A cell of the selection leaves
  // it as it is, so that the same cells can be given another value at once; so do a file the
  // filter hides and a field whose column is hidden.
  void ShowFirstChange() {
    const int row = Owner.View.ToView(FirstEntry);
    if (FirstEntry == 0 || row == 0) return;
    const int column = FirstField && !Owner.Table.IsColumnHidden(int(*FirstField))
                           ? int(*FirstField)
                           : Owner.Table.ActiveColumn();
    if (Owner.Table.IsCellSelected(row, column)) return;
    Owner.Table.SetActiveCell(row, column);
  }

 private:
  void Note(int entry, std::optional<TField> field) {
    if (FirstEntry != 0) return;
    FirstEntry = entry;
    FirstField = field;
  }

  // A step of one value for many cells puts back the same value into each; the texts of a step
  // that put back many values are decoded into one buffer, which the row copies.
  QStringView Shown(const std::string& value) {
    if (value != LastValue || LastShown.isNull()) {
      LastValue = value;
      // UTF-8 decodes to at most one UTF-16 unit per byte.
      LastShown.resize(qsizetype(value.size()));
      const QChar* end =
          Utf8.appendToBuffer(LastShown.data(), QByteArrayView(value.data(), value.size()));
      LastShown.resize(end - LastShown.constData());
    }
    return LastShown;
  }

  TTagTable& Owner;
  int FirstEntry = 0;
  std::optional<TField> FirstField;
  std::string LastValue;
  QString LastShown;
  QStringDecoder Utf8{QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};

void TTagTable::SyncHistory() {
  if (HistoryGeneration == Store.Generation) return;
  History.Clear();
  HistoryGeneration = Store.Generation;
}

bool TTagTable::CanUndo() const {
  return (History.CanUndo() && HistoryGeneration == Store.Generation) || Saver.UndoableFiles() > 0;
}

bool TTagTable::CanRedo() const {
  return History.CanRedo() && HistoryGeneration == Store.Generation;
}

void TTagTable::Undo() {
  FinishEdit();
  SyncHistory();
  TUndoTarget target(*this);
  if (History.Undo(target)) {
    target.ShowFirstChange();
    NoteUnsaved();
    Table.viewport()->update();
  } else if (Saver.UndoableFiles() > 0) {
    UndoSave();
  }
}

void TTagTable::Redo() {
  FinishEdit();
  SyncHistory();
  TUndoTarget target(*this);
  if (!History.Redo(target)) return;
  target.ShowFirstChange();
  NoteUnsaved();
  Table.viewport()->update();
}

void TTagTable::RefillEntry(int entry) {
  const TMP3Tag& tag = *Store.Tags[std::size_t(entry)];
  const std::string path = tag.FullPath();
  Store.Rows[std::size_t(entry)].Fill(tag, std::string_view(path).substr(path.rfind('/') + 1));
}

void TTagTable::ModifiedChanged(bool before, bool after) {
  Store.ModifiedTags += int(after) - int(before);
}

void TTagTable::NoteUnsaved() {
  ++Store.Revision;
  Store.Changed = Store.ModifiedTags > 0;
  ShowUnsaved();
}

void TTagTable::ShowUnsaved() {
  if (Store.Changed == UnsavedShown) return;
  UnsavedShown = Store.Changed;
  if (OnUnsavedChange) OnUnsavedChange(UnsavedShown);
}
