#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;

// The bar over the legend that narrows the list, as a browser's find bar: "Filter:", the text
// field and a button that closes the bar. It is hidden until it is opened.
class TFilterBar : public QWidget {
  Q_OBJECT

 public:
  explicit TFilterBar(QWidget* parent = nullptr);

  static constexpr int BarHeight = 30;

  // Each change of the text, typed or cleared.
  std::function<void(const QString& text)> OnFilterChange;
  // The person is done with the bar: it was closed, or Enter took the text. The table takes
  // the focus back.
  std::function<void()> OnLeave;

  // Shows the bar and puts the focus in its field, the text selected to be typed over.
  void Open();
  // Empties the field, so that every row shows again, and hides the bar.
  void Close();

  QLineEdit* Field = nullptr;
};
