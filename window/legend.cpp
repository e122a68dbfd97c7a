#include "window/legend.h"

#include <QLabel>

#include "window/tagcolours.h"

namespace {

struct TEntry {
  int BlockX;
  int LabelX;
  QColor Colour;
  const char* BlockText;
  const char* Label;
};

constexpr int BlockTop = 3, LabelTop = 8, BlockWidth = 80, BlockHeight = 24;
constexpr int LabelWidth = 150, LabelHeight = 19;  // room for the texts in the window's font

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font;
  font.setBold(true);  // only the weight is set: family and size still come from the window
  label->setFont(font);
  return label;
}

}  // namespace

TLegend::TLegend(QWidget* parent) : QWidget(parent) {
  setFixedHeight(StripHeight);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);

  const TEntry entries[] = {
      {11, 94, TagColours::Invalid, "", "= invalid tag"},
      {167, 250, TagColours::Version1, "", "= version 1 tag"},
      {341, 424, TagColours::Version2, "", "= version 2 tag"},
      {520, 603, TagColours::ReadOnly, "bold text", "= read-only"},
  };
  for (const TEntry& e : entries) {
    auto* block = BoldLabel(QString::fromLatin1(e.BlockText), this);
    block->setAlignment(Qt::AlignCenter);
    block->setAutoFillBackground(true);
    QPalette palette = block->palette();
    palette.setColor(QPalette::Window, e.Colour);
    palette.setColor(QPalette::WindowText, Qt::black);
    block->setPalette(palette);
    block->setGeometry(e.BlockX, BlockTop, BlockWidth, BlockHeight);

    auto* label = BoldLabel(QString::fromLatin1(e.Label), this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(e.LabelX, LabelTop, LabelWidth, LabelHeight);
    label->lower();  // a long label never covers the next block
  }
}
