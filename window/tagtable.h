#pragma once

#include <QString>
#include <QStringView>
#include <QTimer>
#include <functional>

#include "grid/grid.h"
#include "window/roworder.h"
#include "window/rowstore.h"

class TCommentForm;

// The main window's table logic: it configures the grid, answers its requests from the row
// store, enforces the editing rules and saves. The main window owns the store, the grid, the
// comment dialog and the status line and wires its buttons to SaveBtnClick and AskToSave.
class TTagTable {
 public:
  // Sets the status line. Called during a save to show progress, so it should show the text at
  // once (repaint), since the save loop lets no events run.
  using StatusFn = std::function<void(const QString& text)>;

  TTagTable(TRowStore& store, TGrid& table, TCommentForm& commentForm, StatusFn setStatus);
  TTagTable(const TTagTable&) = delete;
  TTagTable& operator=(const TTagTable&) = delete;

  static constexpr int ColumnCount = TTagRow::ColumnCount;

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
  // Writes every modified tag and reports each failure; "Changes saved" only when all were
  // written. Returns false when some tag could not be written (Changed then stays set).
  bool SaveAll();
  // Finishes an edit in progress, keeping the editor's text.
  void FinishEdit();
  // The unsaved-changes question before a scan or a close: finishes an edit in progress, then,
  // with unsaved edits, asks whether to save first. Returns whether the action may go on: false
  // for Cancel, and after Yes when some tag could not be saved.
  bool AskToSave();

  // The status line shows the file of this row, or nothing for a row without a file.
  void ShowRowPath(int row);

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
  TMP3Tag& Tag(int row) { return *Store.Tags[static_cast<std::size_t>(View.ToStore(row))]; }
  TTagRow& Row(int row) { return Store.Rows[static_cast<std::size_t>(View.ToStore(row))]; }
  void EditComment(int row, const QString& typed);
  // Fills the row again from its tag, so that it shows what the tag holds.
  void Refill(int row);
  // A new view of the rows is ready: it is put in use unless an edit is open or a box or
  // dialog runs its own event loop, where it waits.
  void ViewReady();
  void ApplyView();

  TRowStore& Store;
  TGrid& Table;
  TCommentForm& CommentForm;
  StatusFn SetStatus;
  TRowOrder View;
  QTimer ViewRetry;
  int ViewLoopLevel = 0;  // the event loop level at which the last view was asked for

  // What the cell showed when its in-place edit began: leaving it with that text changes nothing.
  int EditRow = 0, EditColumn = -1;
  QString EditStartText;
};
