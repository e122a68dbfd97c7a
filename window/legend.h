#pragma once

#include <QWidget>

// The strip under the table that explains the row colours: four coloured blocks, each followed by
// a bold label. It takes no input; its font comes from the window.
class TLegend : public QWidget {
  Q_OBJECT

 public:
  explicit TLegend(QWidget* parent = nullptr);

  static constexpr int StripHeight = 30;
};
