#pragma once

#include <QStringView>
#include <QValidator>

// Cell texts are limited by characters, not UTF-16 code units: a character outside the basic
// plane (a surrogate pair) counts as one, and a cut never splits it.

qsizetype CountCharacters(QStringView text);

// The first `count` characters of the text (all of it when it is shorter).
QStringView LeftCharacters(QStringView text, qsizetype count);

// Holds an editor's text at a maximum number of characters. What is typed or pasted beyond it is
// dropped from what was just inserted (the characters right before the caret), the way a full
// line edit refuses further keys; a text set whole keeps its first characters.
class TCharacterLimit : public QValidator {
  Q_OBJECT

 public:
  TCharacterLimit(qsizetype maximum, QObject* parent);

  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  qsizetype Maximum;
};
