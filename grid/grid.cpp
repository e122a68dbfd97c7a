#include "grid/grid.h"

#include <QScrollBar>
#include <algorithm>

#include "grid/griddelegate.h"
#include "grid/gridheader.h"
#include "grid/gridmodel.h"

namespace {

constexpr int AnyLength = 32767;  // a line edit's own default maximum

}  // namespace

TGrid::TGrid(QWidget* parent)
    : QTableView(parent), Model(new TGridModel(*this)), Delegate(new TGridDelegate(*this)) {
  setHorizontalHeader(new TGridHeader(this));
  setModel(Model);
  setItemDelegate(Delegate);

  // No locked column: the header row is the only fixed part.
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setDefaultSectionSize(RowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  // Edits start only from the grid's own key and mouse handling, through the begin-edit handler.
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(true);
  setWordWrap(false);
  setGridStyle(Qt::DotLine);
  setCornerButtonEnabled(false);
  verticalScrollBar()->setTracking(true);
  horizontalScrollBar()->setTracking(true);

  // A heading click is the owner's (it sorts), not Qt's selection of the whole column.
  QHeaderView* header = horizontalHeader();
  disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
  disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
  connect(header, &QHeaderView::sectionClicked, this, &TGrid::HeaderClick);
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (OnHeaderContextMenu)
      OnHeaderContextMenu(horizontalHeader()->logicalIndexAt(pos),
                          horizontalHeader()->mapToGlobal(pos));
  });
}

TGrid::~TGrid() = default;

void TGrid::SetColumns(const QStringList& headings, const std::vector<int>& widths,
                       const std::vector<int>& maxLengths) {
  DropEditor();
  Model->SetHeadings(headings);
  MaxLengths = maxLengths;
  HiddenWidths.resize(headings.size());  // hidden columns stay hidden
  for (int column = 0; column < static_cast<int>(widths.size()); ++column)
    SetColumnWidth(column, widths[column]);
  setCurrentIndex(Model->index(0, 0));
}

int TGrid::ColumnWidth(int column) const {
  return IsColumnHidden(column) ? HiddenWidths[column] : horizontalHeader()->sectionSize(column);
}

void TGrid::SetColumnWidth(int column, int width) {
  if (IsColumnHidden(column)) HiddenWidths[column] = width;
  horizontalHeader()->resizeSection(column, width);
}

void TGrid::SetColumnCharacters(int column, TCharacterFilter accepts) {
  if (column < 0) return;
  if (column >= static_cast<int>(CharacterFilters.size())) CharacterFilters.resize(column + 1);
  CharacterFilters[column] = std::move(accepts);
}

TCharacterFilter TGrid::ColumnCharacters(int column) const {
  if (column < 0 || column >= static_cast<int>(CharacterFilters.size())) return {};
  return CharacterFilters[column];
}

void TGrid::SetRowLimit(int rows) {
  const int dataRows = std::max(rows, 2) - 1;
  // An edit on a row that goes away has no storage left to write to.
  if (Editor && EditIndex.row() >= dataRows) DropEditor();
  const int column = std::max(currentIndex().column(), 0);
  Model->SetRows(dataRows);
  if (!currentIndex().isValid()) setCurrentIndex(Model->index(dataRows - 1, column));
}

int TGrid::RowLimit() const { return Model->rowCount() + 1; }

int TGrid::ActiveRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

int TGrid::ActiveColumn() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.column() : 0;
}

void TGrid::SetActiveRow(int row) {
  if (row < 1 || row >= RowLimit()) return;
  MoveTo(row - 1, ActiveColumn());
}

void TGrid::InvalidateRow(int row) {
  for (int column = 0; column < Model->columnCount(); ++column)
    update(Model->index(row - 1, column));
}

void TGrid::RepaintNow() { viewport()->repaint(); }

void TGrid::SetRedraw(bool enabled) {
  viewport()->setUpdatesEnabled(enabled);
  horizontalHeader()->viewport()->setUpdatesEnabled(enabled);
  if (enabled) {
    viewport()->update();
    horizontalHeader()->viewport()->update();
  }
}

void TGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // Moves made by the grid end the edit first; this catches the others (a click elsewhere).
  if (Editor && !EndingEdit && current != EditIndex && !AcceptEdit()) DropEditor();
  Anchor = current;  // every move sets the anchor; an extension puts it back
  QTableView::currentChanged(current, previous);
  if (current.isValid()) NotifyEnteringRow(current.row() + 1);
}

QStringView TGrid::CellStorage(int row, int column) const {
  return OnGetCellData ? OnGetCellData(row, column) : QStringView();
}

int TGrid::MaxLength(int row, int column) const {
  if (OnGetMaxLength) return std::clamp(OnGetMaxLength(row, column), 0, AnyLength);
  if (column < 0 || column >= static_cast<int>(MaxLengths.size())) return AnyLength;
  return std::clamp(MaxLengths[column], 0, AnyLength);
}

void TGrid::NotifyEnteringRow(int row) {
  // Nothing is remembered before a handler listens, so its first notice is never suppressed.
  if (!OnEnteringRow || row == LastEnteredRow) return;
  LastEnteredRow = row;
  OnEnteringRow(row);
}

int TGrid::PageRows() const { return std::max(viewport()->height() / RowHeight, 1); }
