#include "grid/gridmodel.h"

#include <algorithm>

#include "grid/characterlimit.h"
#include "grid/grid.h"

TGridModel::TGridModel(TGrid& grid) : QAbstractTableModel(&grid), Grid(grid) {}

int TGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Rows; }

int TGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Headings.size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return CellText(index);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= Headings.size()) return {};
  if (role == Qt::DisplayRole) return Headings[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return {};
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void TGridModel::SetRows(int rows) {
  rows = std::max(rows, 1);
  if (rows > Rows) {
    beginInsertRows(QModelIndex(), Rows, rows - 1);
    Rows = rows;
    endInsertRows();
  } else if (rows < Rows) {
    beginRemoveRows(QModelIndex(), rows, Rows - 1);
    Rows = rows;
    endRemoveRows();
  }
}

void TGridModel::SetHeadings(const QStringList& headings) {
  beginResetModel();
  Headings = headings;
  endResetModel();
}

QString TGridModel::CellView(const QModelIndex& index) const {
  const QStringView text = Grid.CellStorage(index.row() + 1, index.column());
  return QString::fromRawData(text.data(), text.size());
}

QString TGridModel::CellText(const QModelIndex& index) const {
  return Grid.CellStorage(index.row() + 1, index.column()).toString();
}

void TGridModel::StoreText(const QModelIndex& index, const QString& text, int maxLength) {
  if (!Grid.OnSetCellData) return;
  Grid.OnSetCellData(index.row() + 1, index.column(),
                     LeftCharacters(text, std::max(maxLength, 0)).toString());
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}
