#pragma once

#include <QApplication>
#include <QString>
#include <QTest>
#include <QWidget>

// Types the text character by character, each as one key event carrying it (a character outside
// the basic plane as its surrogate pair), to the widget that has the focus then, else to
// `fallback`: the first key may open an editor that takes the focus. Letters and digits carry
// their key, as a keyboard sends them; other characters no known key. QTest's own keyClicks
// passes Latin-1 only.
inline void TypeText(QWidget* fallback, const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, units);
    i += units - 1;
    const QChar first = character[0];
    const Qt::Key key = first.unicode() < 0x80 && first.isLetterOrNumber()
                            ? static_cast<Qt::Key>(first.toUpper().unicode())
                            : Qt::Key_unknown;
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
    QTest::sendKeyEvent(QTest::Click, target, key, character, Qt::NoModifier);
  }
}
