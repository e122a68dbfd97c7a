#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <set>

#include "tests/grid/gridfixture.h"

namespace {

using TGridView = TGridTest;

// The colour inside a cell, off its text and frame.
QColor CellColour(TGrid& grid, int row, int column) {
  const QImage image = grid.viewport()->grab().toImage();
  const QRect cell = grid.visualRect(grid.model()->index(row - 1, column));
  return image.pixelColor(cell.right() - 4, cell.bottom() - 3);
}

TEST_F(TGridView, TheHeaderRowIsLockedAndNeverActive) {
  QHeaderView* header = Grid->horizontalHeader();
  EXPECT_FALSE(Grid->verticalHeader()->isVisible());
  EXPECT_FALSE(header->highlightSections());
  EXPECT_EQ(header->height(), TGrid::RowHeight);

  Grid->SetActiveRow(2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, {20, 10});
  QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, {20, 10});
  EXPECT_EQ(Grid->SelectedRanges(), (std::vector<TGridRange>{{2, 0, 2, 0}}));
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  Key(Qt::Key_Home, Qt::ControlModifier);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Grid->ActiveRow(), 1);
  EXPECT_FALSE(Grid->IsEditing());
  EXPECT_TRUE(BeginEdits.empty());
}

TEST_F(TGridView, RowsAreFixedAt22PixelsAndColumnsKeepTheirWidths) {
  QFont large = Grid->font();
  large.setPixelSize(30);
  Grid->setFont(large);
  Grid->SetRowLimit(30);
  EXPECT_EQ(Grid->horizontalHeader()->height(), TGrid::RowHeight);
  EXPECT_EQ(Grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  for (int row : {0, 1, 28}) EXPECT_EQ(Grid->rowHeight(row), TGrid::RowHeight);
  EXPECT_EQ(Grid->ColumnWidth(3), 36);
  Grid->SetColumnWidth(3, 61);
  EXPECT_EQ(Grid->ColumnWidth(3), 61);
  EXPECT_EQ(Grid->horizontalHeader()->sectionResizeMode(3), QHeaderView::Interactive);
}

TEST_F(TGridView, ActiveRowFollowsTheCurrentCell) {
  EXPECT_EQ(Active(), std::make_pair(1, 0));
  Grid->SetActiveRow(4);
  Key(Qt::Key_Right);
  EXPECT_EQ(Active(), std::make_pair(4, 1));
  Grid->SetActiveRow(0);   // the header row cannot be active
  Grid->SetActiveRow(99);  // nor a row beyond the limit
  EXPECT_EQ(Active(), std::make_pair(4, 1));
}

TEST_F(TGridView, EnteringARowIsNotifiedOnceWhileItStaysActive) {
  Grid->SetRedraw(false);  // only moves here, no paints
  Grid->SetActiveRow(3);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Grid->SetActiveRow(3);
  Key(Qt::Key_Down);
  Key(Qt::Key_Up);
  EXPECT_EQ(Entered, (std::vector<int>{3, 4, 3}));
}

TEST_F(TGridView, PaintingNotifiesEachPaintedRowWithoutRepeats) {
  Grid->SetActiveRow(2);
  Entered.clear();
  Grid->RepaintNow();
  // Rows are painted one after the other, five cells each: one notice per row.
  EXPECT_EQ(Entered, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(TGridView, OwnerAttributesWinAfterTheGridsOwnColours) {
  QColor presetActive;
  QColor presetOther;
  Grid->OnGetCellAttributes = [&](int row, int column, TCellAttributes& attrs) {
    if (row == 1 && column == 0) presetActive = attrs.Background;
    if (row == 3 && column == 0) presetOther = attrs.Background;
    if (row == 1 || row == 2) attrs.Background = QColor(255, 0, 0);
  };
  Grid->RepaintNow();
  EXPECT_EQ(presetActive, Grid->palette().color(QPalette::Highlight));
  EXPECT_EQ(presetOther, Grid->palette().color(QPalette::Base));
  EXPECT_EQ(CellColour(*Grid, 1, 0), QColor(255, 0, 0));  // the active cell too
  EXPECT_EQ(CellColour(*Grid, 2, 3), QColor(255, 0, 0));
  EXPECT_EQ(CellColour(*Grid, 3, 0), Grid->palette().color(QPalette::Base));
}

TEST_F(TGridView, PaintAsksTheOwnerForEveryPaintedCell) {
  std::set<std::pair<int, int>> asked;
  Grid->OnGetCellData = [&](int row, int column) {
    asked.emplace(row, column);
    return Storage(row, column);
  };
  Grid->InvalidateRow(2);
  Grid->RepaintNow();
  EXPECT_TRUE(asked.count({2, 0}));
  EXPECT_TRUE(asked.count({5, 4}));
  // A text changed in the owner's storage shows at the next paint, without a notice.
  const auto inkOf = [&](int row) {
    const QImage image = Grid->viewport()->grab().toImage();
    const QRect cell = Grid->visualRect(Grid->model()->index(row - 1, 1)).adjusted(1, 1, -1, -1);
    int ink = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) ink += qGray(image.pixel(x, y)) < 128;
    return ink;
  };
  SetCell(3, 1, "");
  const int blank = inkOf(3);
  SetCell(3, 1, QString::fromUtf8("\u0416\u0416\u0416\u0416"));
  EXPECT_GT(inkOf(3), blank);
}

TEST_F(TGridView, SuppressedRedrawPaintsNothingUntilAllowed) {
  int painted = 0;
  Grid->OnGetCellAttributes = [&](int, int, TCellAttributes&) { ++painted; };
  Grid->SetRedraw(false);
  Grid->InvalidateRow(2);
  Grid->RepaintNow();
  EXPECT_EQ(painted, 0);
  Grid->SetRedraw(true);
  Grid->RepaintNow();
  EXPECT_GT(painted, 0);
}

TEST_F(TGridView, BoldAttributeChangesTheCellsText) {
  SetCell(2, 0, "WWWW");
  SetCell(3, 0, "WWWW");
  Grid->OnGetCellAttributes = [](int row, int, TCellAttributes& attrs) { attrs.Bold = row == 2; };
  Grid->RepaintNow();
  const QImage image = Grid->viewport()->grab().toImage();
  const auto darkPixels = [&](int row) {
    const QRect cell = Grid->visualRect(Grid->model()->index(row - 1, 0)).adjusted(1, 1, -1, -1);
    int dark = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) dark += qGray(image.pixel(x, y)) < 128;
    return dark;
  };
  EXPECT_GT(darkPixels(2), darkPixels(3));
}

}  // namespace
