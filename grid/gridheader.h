#pragma once

#include <QHeaderView>

// The locked header row: the headings centred in the bold variant of the grid's font, engraved,
// on a raised button-face panel. Columns can be widened by dragging, nothing else: no clicks, no
// marking of the active column.
class TGridHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TGridHeader(QWidget* parent);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
