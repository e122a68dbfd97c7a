#pragma once

#include <QLabel>

// A static text that acts as a link: blue, underlined, with the hand pointer; a click with the
// left button emits clicked().
class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
