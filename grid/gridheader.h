#pragma once

#include <QHeaderView>

// The locked header row: the headings centred in the bold variant of the grid's font, engraved,
// on a raised button-face panel, with the sort indicator the owner set. Columns can be widened by
// dragging; a click is passed on (sectionClicked) and never selects; the active column is not
// marked. The indicator is the owner's alone: Qt's own flips at every click, before the owner
// has decided anything.
class TGridHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TGridHeader(QWidget* parent);

  // column -1: none.
  void SetSortIndicator(int column, Qt::SortOrder order);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  int SortColumn = -1;
  Qt::SortOrder SortOrder = Qt::AscendingOrder;
};
