#pragma once

#include <QString>
#include <QStringView>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid.h"
#include "tags/tagsaver.h"
#include "window/edithistory.h"
#include "window/roworder.h"
#include "window/rowstore.h"

class QAction;
class QMenu;
class TCommentForm;

// The main window's table logic: it configures the grid, answers its requests from the row
// store, enforces the editing rules and saves. The main window owns the store, the grid, the
// comment dialog and the status line and wires its buttons to SaveBtnClick and AskToSave.
class TTagTable {
 public:
  // Sets the status line. Called during a save to show progress, so it should show the text at
  // once (repaint): the save lets the window paint only now and then.
  using StatusFn = std::function<void(const QString& text)>;

  TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus);
  TTagTable(const TTagTable&) = delete;
  TTagTable& operator=(const TTagTable&) = delete;

  // A column per field: the row's texts, then the file name served from the path.
  static constexpr int ColumnCount = int(FieldCount);

  // Table view (installed as the grid's callbacks). A cell's text is the row record's own
  // storage.
  QStringView TableGetCellData(int row, int column);
  // The grid stores an accepted edit's text in the row record.
  void TableSetCellData(int row, int column, const QString& text);
  void TableGetCellAttributes(int row, int column, TCellAttributes& attrs);
  void TableEnteringRow(int row);

  // Cell editing.
  // `typed` is the character that started the edit, if a key did.
  void TableBeginEdit(int row, int column, const QString& typed, bool& allow);
  // The most characters typed into the cell: the field's limit, the width of an ID3v1 field,
  // or the length of a longer text the file holds, which an edit keeps whole.
  int TableMaxLength(int row, int column);
  void TableEndEdit(QString& text, int row, int column, bool& allow);

  // Saving.
  void SaveBtnClick();
  // Writes every modified tag, showing the progress of a long save, and lists the files that
  // failed in one box; "Changes saved" only when all were written. Returns false when some tag
  // could not be written (Changed then stays set).
  bool SaveAll();
  // Finishes an edit in progress, keeping the editor's text.
  void FinishEdit();
  // The unsaved-changes question before a scan or a close: finishes an edit in progress, then,
  // with unsaved edits, asks whether to save first. Returns whether the action may go on: false
  // for Cancel, and after Yes when some tag could not be saved.
  bool AskToSave();

  // The status line shows the file of this row, or nothing for a row without a file.
  void ShowRowPath(int row);

  // Many cells at once (window/batchedit.cpp). Each is one step of the history, and follows the
  // rules of a typed edit in every row: a read-only file and a text the listing cut are left
  // alone and counted in one message at the end, a field that holds the text already is not
  // touched, and the version 1 question is asked once for all the files it concerns.
  // Ctrl+C: the selected cells as tab-separated lines.
  void CopyCells();
  // Ctrl+X: copies, then empties the cells.
  void CutCells();
  // Ctrl+V: the block on the clipboard at the active cell, or over the selection (PasteCells).
  void PasteCells();
  // Delete: empties the selected cells.
  void ClearCells();
  // Ctrl+D: the selected cells of each column take the value of the first selected row; a
  // column with one selected row takes the value of the row above.
  void FillDown();
  // Sets the Track of the selected rows to 1..n, or to 1/n..n/n, in the order shown.
  void NumberRows(bool withTotal);

  // Undo and redo (window/undoing.cpp). Edits since the last save or scan are undone step by
  // step; once none is left, Undo offers to undo the last save itself: a save clears the steps
  // before it, whose values are in the files now, so the save is what Ctrl+Z reaches next.
  void Undo();
  void Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  // The history's heap bytes.
  std::size_t HistoryBytes() const { return History.Bytes(); }

  // At start: finishes the saves a crash cut short and names the files it left alone.
  void RecoverSaves();

  // Shows or hides a column; the last column shown stays.
  void SetColumnShown(int column, bool shown);
  // The menus of the column headings and of the cells (window/tablemenus.cpp).
  std::unique_ptr<QMenu> MakeHeaderMenu();
  std::unique_ptr<QMenu> MakeCellMenu();

  // Called when the window comes to have unsaved edits, or no longer has.
  std::function<void(bool unsaved)> OnUnsavedChange;
  // Runs after a change of Store.Changed from outside (a scan): tells OnUnsavedChange.
  void ShowUnsaved();
  // Lets the window paint while a save runs; user input waits.
  std::function<void()> PumpEvents;

  // Sorting and filtering (the rows shown and their order: see TRowOrder).
  // A click on a heading sorts by its column, a second click reverses the order, a third
  // returns to scan order; another heading starts again.
  void TableHeaderClick(int column);
  // Shows only the rows holding the text in a cell or their path; an empty text shows all.
  void SetFilter(const QString& text);
  // Every file in scan order, unfiltered: a scan starts with it.
  void ResetView();
  const TRowOrder& GetView() const { return View; }
  // Set by the window: a scan is filling the list. The list is neither sorted nor filtered
  // before it is whole.
  std::function<bool()> Scanning;

 private:
  // A grid row's file: the rows shown are the view's. Every access to a row from a grid row
  // goes through these.
  bool IsListed(int row) const { return row >= 1 && row <= View.Count(); }
  TMP3Tag& Tag(int row) { return *Store.Tags[std::size_t(View.ToStore(row))]; }
  TTagRow& Row(int row) { return Store.Rows[std::size_t(View.ToStore(row))]; }
  // The row store's entry of a table row: where an edit history names a file.
  int StoreRow(int row) const { return View.ToStore(row); }
  void EditComment(int row, const QString& typed);
  // Fills the row again from its tag, so that it shows what the tag holds.
  void Refill(int row);
  // A new view of the rows is ready: it is put in use unless an edit is open or a box or
  // dialog runs its own event loop, where it waits.
  void ViewReady();
  void ApplyView();

  // One value or many for cells of the table (window/batchedit.cpp).
  struct TCellEdit {
    int Row;  // table row
    TField Field;
    std::size_t Text;  // into TEdits::Texts
  };
  struct TEdits {
    std::vector<std::string> Texts;  // UTF-8
    std::vector<TCellEdit> Cells;
    std::size_t CutSources = 0;  // texts not copied because the listing cut them
    // Typed into a cell: its editor took only the characters of the field's rule, and kept
    // the characters the cell held.
    bool Typed = false;
  };
  // The cells a typed text goes into: the edited one and the other cells of its column in the
  // ranges.
  std::vector<TCellEdit> EditedCells(int row, int column,
                                     const std::vector<TGridRange>& ranges) const;
  // Applies the edits as one step of the history and reports what was left alone. Returns the
  // text the cell of `shownRow` and `shownField` shows afterwards, when the edits changed it.
  std::optional<QString> ApplyEdits(const TEdits& edits, int shownRow = 0,
                                    TField shownField = TField::Title);
  // The history names store entries of the list it was made for; a scan empties it.
  void SyncHistory();
  // The selected cells of the table, or the active cell when none is selected.
  std::vector<TGridRange> Selection() const;
  // The shown text of a cell, as the clipboard takes it.
  QString CellText(int row, int column);
  QStringView FileNameText(int row);
  void ModifiedChanged(bool before, bool after);
  void NoteUnsaved();
  // Fills the row of a store entry again from its tag.
  void RefillEntry(int entry);
  void UndoSave();
  // Shows a save's progress ("Saving 120 of 300") for more than a few files, and lets the
  // window paint.
  TTagSaver::TProgress Progress(const QString& text, std::size_t files);
  void CreateActions();

  class TUndoTarget;
  friend class TUndoTarget;

  TRowStore& Store;
  TGrid& Table;
  TCommentForm& CommentForm;
  StatusFn SetStatus;
  TRowOrder View;
  QTimer ViewRetry;
  int ViewLoopLevel = 0;  // the event loop level at which the last view was asked for

  TTagSaver Saver;
  TEditHistory History;
  unsigned HistoryGeneration = 0;  // the Store.Generation the history's rows belong to
  bool UnsavedShown = false;

  // The decoded names of the files lately painted: the grid paints a cell from storage that
  // must outlive the call.
  struct TShownName {
    int Entry = 0;
    unsigned Generation = 0;
    QString Text;
  };
  std::array<TShownName, 256> ShownNames;

  // The table's keys and the entries of its cell menu.
  QAction *CutAction = nullptr, *CopyAction = nullptr, *PasteAction = nullptr,
          *ClearAction = nullptr, *FillDownAction = nullptr, *NumberAction = nullptr,
          *NumberOfTotalAction = nullptr, *UndoAction = nullptr, *RedoAction = nullptr,
          *SelectAllAction = nullptr;

  // What the cell showed when its in-place edit began: leaving it with that text changes nothing.
  int EditRow = 0, EditColumn = -1;
  QString EditStartText;
  std::vector<TGridRange> EditRanges;
};
