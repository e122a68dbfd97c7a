#pragma once

#include <QLabel>

// The status line under the table: one line with a sunken border. A text longer than the line
// is cut in the middle, so a path keeps its start and its file name; text() stays whole.
class TStatusText : public QLabel {
  Q_OBJECT

 public:
  explicit TStatusText(QWidget* parent = nullptr);

  // Sets the text and paints it at once, for callers that let no events run meanwhile (the save
  // loop). From inside a paint of the window (the table announces the rows it paints) the text
  // is painted with that paint's successor instead.
  void ShowNow(const QString& text);

  // The text as it is painted at the current width.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect TextRect() const;
};
