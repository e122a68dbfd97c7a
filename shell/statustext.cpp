#include "shell/statustext.h"

#include <QBackingStore>
#include <QPainter>
#include <QStyle>

TStatusText::TStatusText(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setFocusPolicy(Qt::NoFocus);
}

void TStatusText::ShowNow(const QString& text) {
  setText(text);
  // Painting now, inside a paint that runs, would end the window's paint while its painter is
  // still active; setText has asked for a paint already.
  QBackingStore* store = window()->backingStore();
  const QPaintDevice* device = store ? store->paintDevice() : nullptr;
  if (device && device->paintingActive()) return;
  repaint();
}

QRect TStatusText::TextRect() const {
  // The indent QLabel gives a framed text.
  const int indent = frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
  return contentsRect().adjusted(indent, 0, -indent, 0);
}

QString TStatusText::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextRect().width());
}

void TStatusText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  style()->drawItemText(&painter, TextRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(),
                        isEnabled(), ShownText(), foregroundRole());
}
