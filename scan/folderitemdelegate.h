#pragma once

#include <QStyledItemDelegate>

// Draws a folder list item: its image indented by the item's own amount, the text 4 pixels
// after the image, rows of a fixed height.
class TFolderItemDelegate : public QStyledItemDelegate {
 public:
  static constexpr int IndentRole = Qt::UserRole + 2;
  static constexpr int TextGap = 4;

  TFolderItemDelegate(int rowHeight, QObject* parent)
      : QStyledItemDelegate(parent), FRowHeight(rowHeight) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int FRowHeight;
};
