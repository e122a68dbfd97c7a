#pragma once

#include <QColor>
#include <QItemSelection>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <functional>
#include <vector>

#include "grid/characterlimit.h"

class TGridModel;
class TGridDelegate;

// What the owner may change for a painted cell; preset to the grid's own choice.
struct TCellAttributes {
  QColor Background;
  bool Bold = false;
  // An unsaved change: the text is drawn in italics with a small triangle in the top-right
  // corner, so it shows on any background and in any font.
  bool Modified = false;
};

// A rectangle of cells, bounds included: rows are grid rows (1 = first data row), columns are
// indexes into the headings given to SetColumns.
struct TGridRange {
  int Top = 1;
  int Left = 0;
  int Bottom = 1;
  int Right = 0;
  bool operator==(const TGridRange&) const = default;
};

// Consecutive grid rows, bounds included.
struct TRowSpan {
  int First = 1;
  int Last = 1;
  bool operator==(const TRowSpan&) const = default;
};

// The rows the ranges cover, of every column or of one, ascending, adjacent spans merged.
constexpr int AnyColumn = -1;
std::vector<TRowSpan> RowsOf(const std::vector<TGridRange>& ranges, int column = AnyColumn);

// A general-purpose table of Unicode texts held by its owner. Row 0 is the locked header row
// (Qt's horizontal header); data row r is model row r - 1. The grid holds no text of its own: it
// paints each cell straight from the owner's storage and hands accepted edits back to the owner.
// It knows nothing of what the texts mean.
//
// Selection follows spreadsheets: a click selects one cell and makes it active, Shift+click and
// Shift with the movement keys extend a rectangle from the anchor (where the last plain move or
// Ctrl+click landed) to the active cell, Ctrl+click adds or removes one cell, and Ctrl+A selects
// every cell. Any other move collapses the selection to the new active cell. The header row is
// never selected. Keys the grid has no use for (Ctrl+C, Delete, Ctrl+Z, ...) go on to the window's
// shortcuts; while an editor is open, it keeps the text-editing ones.
class TGrid : public QTableView {
  Q_OBJECT

 public:
  // A cell's text in the owner's own storage, UTF-16, read in place while painting (no copy). It
  // must stay valid until the owner changes that cell. An empty view: the cell is drawn empty.
  using GetCellDataFn = std::function<QStringView(int row, int column)>;
  // Takes the text of an accepted edit, already cut to the column's maximum.
  using SetCellDataFn = std::function<void(int row, int column, const QString& text)>;
  using GetCellAttributesFn = std::function<void(int row, int column, TCellAttributes& attrs)>;
  using EnteringRowFn = std::function<void(int row)>;
  // `typed` is the text whose key started the edit; empty when F2, a double click or the program
  // started it. An owner that edits the cell its own way (in a dialog) starts from it.
  using BeginEditFn = std::function<void(int row, int column, const QString& typed, bool& allow)>;
  // Called while the editor still exists, before the grid stores the text. `text` is the
  // editor's text; a handler may replace it. Leaving `allow` false stores nothing and keeps the
  // editor open; when the grid must leave the cell anyway (another cell was clicked) the edit is
  // then dropped.
  using EndEditFn = std::function<void(QString& text, int row, int column, bool& allow)>;
  // The most characters an editor of this cell takes, where the owner decides it cell by cell;
  // the column's maximum otherwise.
  using GetMaxLengthFn = std::function<int(int row, int column)>;
  using SelectionChangeFn = std::function<void()>;
  // A click on a heading, after an edit in progress has ended; the owner decides what it sorts.
  using HeaderClickFn = std::function<void(int column)>;
  // A context menu asked for over the header row; column -1: right of the last heading.
  using HeaderContextMenuFn = std::function<void(int column, const QPoint& globalPos)>;
  // A context menu asked for over the cells; a right click on a cell outside the selection has
  // selected that cell first, one inside keeps the selection.
  using CellContextMenuFn = std::function<void(const QPoint& globalPos)>;

  explicit TGrid(QWidget* parent = nullptr);
  ~TGrid() override;

  GetCellDataFn OnGetCellData;
  SetCellDataFn OnSetCellData;
  GetCellAttributesFn OnGetCellAttributes;
  EnteringRowFn OnEnteringRow;
  BeginEditFn OnBeginEdit;
  EndEditFn OnEndEdit;
  GetMaxLengthFn OnGetMaxLength;
  SelectionChangeFn OnSelectionChange;
  HeaderClickFn OnHeaderClick;
  HeaderContextMenuFn OnHeaderContextMenu;
  CellContextMenuFn OnCellContextMenu;

  // Headings, default widths in pixels and the editors' maximum lengths in characters, one
  // entry per column; a character outside the basic plane counts as one. A column without a
  // maximum takes any length.
  void SetColumns(const QStringList& headings, const std::vector<int>& widths,
                  const std::vector<int>& maxLengths);
  // A hidden column keeps its width: it is read and set as if shown.
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // The characters a column's editor takes; what the cell held when its edit began stays until
  // it is deleted (see TCharacterLimit).
  void SetColumnCharacters(int column, TCharacterFilter accepts);

  // A hidden column is skipped by moves and left out of the selected ranges. Hiding the active
  // column moves the active cell to a shown neighbour; the last shown column cannot be hidden.
  void SetColumnHidden(int column, bool hidden);
  bool IsColumnHidden(int column) const;

  // Shows which column the rows are sorted by, and how; column -1: none.
  void SetSortIndicator(int column, Qt::SortOrder order);

  // Number of rows including the header row; at least 2.
  void SetRowLimit(int rows);
  int RowLimit() const;

  // The active cell, in grid rows (1 = first data row); 0 when there is none.
  int ActiveRow() const;
  int ActiveColumn() const;
  void SetActiveRow(int row);
  // Moves the active cell as a click would, collapsing the selection to it.
  void SetActiveCell(int row, int column);

  // The selected cells of shown columns as disjoint rectangles, in no particular order. Cost
  // grows with the number of rectangles, never with the rows they cover.
  std::vector<TGridRange> SelectedRanges() const;
  // The rows holding a selected cell of a shown column, ascending, adjacent spans merged.
  std::vector<TRowSpan> SelectedRows() const;
  bool IsCellSelected(int row, int column) const;
  // Replaces the selection (cut to the table); the active cell stays. An empty list clears it.
  void SetSelection(const std::vector<TGridRange>& ranges);
  void SelectAll();

  void InvalidateRow(int row);  // repaint that row at the next paint
  void RepaintNow();            // paint pending invalid areas at once
  void SetRedraw(bool enabled);

  bool IsEditing() const;
  // Ends the edit in progress keeping its text: the end-edit handler runs, then the text is
  // stored. Does nothing when no edit is in progress.
  void FinishEdit();

  // Starts editing the active cell as F2 would; `initial` is a typed character, if any.
  void StartEdit(const QString& initial = QString());

  static constexpr int RowHeight = 22;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

 private:
  friend class TGridModel;
  friend class TGridDelegate;

  QStringView CellStorage(int row, int column) const;
  int MaxLength(int row, int column) const;
  TCharacterFilter ColumnCharacters(int column) const;
  void NotifyEnteringRow(int row);
  void MoveTo(int modelRow, int column);
  // Makes the cell active and selects the rectangle from the anchor to it, keeping the other
  // rectangles that Ctrl+click added.
  void ExtendTo(const QModelIndex& target);
  std::vector<int> ShownColumns() const;  // ascending
  int PageRows() const;
  void HeaderClick(int column);
  // Runs the end-edit handler and stores the text; true when the edit is over.
  bool AcceptEdit();
  // Closes the editor without storing anything.
  void DropEditor();

  TGridModel* Model = nullptr;
  TGridDelegate* Delegate = nullptr;
  std::vector<int> MaxLengths;
  std::vector<TCharacterFilter> CharacterFilters;
  int LastEnteredRow = -1;        // suppresses consecutive repeats of the row-entering notification
  std::vector<int> HiddenWidths;  // per column; the widths hidden columns come back with
  QPersistentModelIndex Anchor;   // the fixed corner of the rectangle that Shift extends
  bool DragSelecting = false;     // the left button went down on a cell and is still held
  QPointer<QLineEdit> Editor;
  QPersistentModelIndex EditIndex;
  // Handlers may run nested event loops (modal boxes); these keep a second edit from starting
  // and an edit from being ended twice meanwhile.
  bool AskingBeginEdit = false;
  bool EndingEdit = false;
};
