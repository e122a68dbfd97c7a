#include "window/filterbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

TFilterBar::TFilterBar(QWidget* parent) : QWidget(parent) {
  setFixedHeight(BarHeight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 3, 8, 3);
  auto* label = new QLabel("Filter:", this);
  Field = new QLineEdit(this);
  Field->setClearButtonEnabled(true);
  Field->setPlaceholderText("Text in any cell or in the file's path");
  label->setBuddy(Field);
  auto* close = new QToolButton(this);
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  close->setAutoRaise(true);
  close->setToolTip("Close the filter (Escape)");
  close->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(label);
  layout->addWidget(Field, 1);
  layout->addWidget(close);
  hide();

  connect(Field, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (OnFilterChange) OnFilterChange(text);
  });
  connect(Field, &QLineEdit::returnPressed, this, [this] {
    if (OnLeave) OnLeave();
  });
  const auto closeAndLeave = [this] {
    Close();
    if (OnLeave) OnLeave();
  };
  connect(close, &QToolButton::clicked, this, closeAndLeave);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, closeAndLeave);
}

void TFilterBar::Open() {
  show();
  Field->setFocus(Qt::ShortcutFocusReason);
  Field->selectAll();
}

void TFilterBar::Close() {
  Field->clear();
  hide();
}
