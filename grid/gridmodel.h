#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class TGrid;

// Presents the owner's cells to Qt's view: data row r of the grid is model row r - 1, and the
// headings are the horizontal header. Texts are never copied in: every request reads the owner's
// storage through the grid's callbacks, and painting reads it in place.
class TGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TGridModel(TGrid& grid);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Data rows, the header row not counted; at least 1.
  void SetRows(int rows);
  void SetHeadings(const QStringList& headings);

  // The cell's text over the owner's own storage, not copied: for painting only, since the
  // storage may change or go away once control returns to the owner.
  QString CellView(const QModelIndex& index) const;
  // A copy of the cell's text, for anything that keeps it (an editor, a caller of data()).
  QString CellText(const QModelIndex& index) const;
  // Hands the text, cut to `maxLength` characters, to the owner.
  void StoreText(const QModelIndex& index, const QString& text, int maxLength);

 private:
  TGrid& Grid;
  int Rows = 1;
  QStringList Headings;
};
