#include "grid/gridmodel.h"

#include <QAbstractItemModelTester>

#include "tests/grid/gridfixture.h"

namespace {

using TGridModelTest = TGridTest;

TEST_F(TGridModelTest, PassesTheModelTesterThroughRowAndColumnChanges) {
  QAbstractItemModelTester tester(Grid->model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  List(30);
  List(2);
  Grid->SetRowLimit(0);
  Grid->SetColumns({"A", "B"}, {40, 40}, {10, 10});
  List(8);
}

TEST_F(TGridModelTest, RowLimitCountsTheHeaderRowAndIsAtLeastTwo) {
  const struct {
    int Requested;
    int Limit;
  } cases[] = {{7, 7}, {2, 2}, {1, 2}, {0, 2}, {-5, 2}, {40, 40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Requested);
    Grid->SetRowLimit(c.Requested);
    EXPECT_EQ(Grid->RowLimit(), c.Limit);
    EXPECT_EQ(Grid->model()->rowCount(), c.Limit - 1);
    EXPECT_EQ(Grid->model()->columnCount(), Columns);
  }
}

TEST_F(TGridModelTest, DataRowRIsModelRowRMinusOne) {
  const QAbstractItemModel& model = *Grid->model();
  EXPECT_EQ(model.index(0, 0).data().toString(), "r1c0");
  EXPECT_EQ(model.index(4, 3).data().toString(), "r5c3");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Artist");
  EXPECT_FALSE(model.headerData(0, Qt::Vertical).isValid());
}

TEST_F(TGridModelTest, ACellWithoutStorageIsEmpty) {
  Grid->SetRowLimit(8);  // rows 6 and 7 have no storage
  EXPECT_EQ(Grid->model()->index(6, 0).data().toString(), "");
}

TEST_F(TGridModelTest, PaintingReadsTheOwnersStorageOthersGetACopy) {
  const QString text = QString::fromUtf8("caf\u00e9 \u65e5\u672c \U0001F600");
  SetCell(2, 1, text);
  auto& model = *static_cast<TGridModel*>(Grid->model());
  const QModelIndex index = model.index(1, 1);
  const QString painted = model.CellView(index);
  EXPECT_EQ(painted, text);
  EXPECT_EQ(static_cast<const void*>(painted.constData()),
            static_cast<const void*>(Storage(2, 1).data()));
  // What may outlive the storage is a copy of its own.
  const QString kept = index.data().toString();
  EXPECT_EQ(kept, text);
  EXPECT_NE(static_cast<const void*>(kept.constData()),
            static_cast<const void*>(Storage(2, 1).data()));
  SetCell(2, 1, "new");
  EXPECT_EQ(model.CellView(index), "new");
  EXPECT_EQ(kept, text);
}

}  // namespace
