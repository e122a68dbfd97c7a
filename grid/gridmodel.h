#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <string>

class TGrid;

// Presents the owner's cells to Qt's view: data row r of the grid is model row r - 1, and the
// headings are the horizontal header. Texts are never copied in: every request reads the owner's
// storage through the grid's callbacks.
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

  // The cell's text decoded from the owner's storage; empty when the owner gives none.
  QString CellText(const QModelIndex& index) const;
  // Writes the bytes into the owner's storage, cut to `maxLength`; false when there is none.
  bool StoreText(const QModelIndex& index, const std::string& bytes, int maxLength);

 private:
  TGrid& Grid;
  int Rows = 1;
  QStringList Headings;
};
