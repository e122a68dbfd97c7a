#pragma once

#include <QStyledItemDelegate>

class TGrid;

// Paints a cell straight from the owner's storage and makes its one-line editor. Keys and focus
// changes of an open editor go back to the grid, which alone decides how an edit ends.
class TGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit TGridDelegate(TGrid& grid);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  TGrid& Grid;
};
