#pragma once

#include <QStringView>
#include <QValidator>
#include <functional>

// Cell texts are limited by characters, not UTF-16 code units: a character outside the basic
// plane (a surrogate pair) counts as one, and a cut never splits it.

qsizetype CountCharacters(QStringView text);

// The first `count` characters of the text (all of it when it is shorter).
QStringView LeftCharacters(QStringView text, qsizetype count);

// Which characters a column's editor takes; an empty function takes every character.
using TCharacterFilter = std::function<bool(char32_t character)>;

// Holds an editor's text at a maximum number of characters. What is typed or pasted beyond it is
// dropped from what was just inserted (the characters right before the caret), the way a full
// line edit refuses further keys; a text set whole keeps its first characters.
//
// With a filter, an edit that brings in a character the filter refuses is refused whole. The
// cell's text when the edit began (`held`) is no edit: its characters stay until they are
// deleted, in their order, however often they were there.
class TCharacterLimit : public QValidator {
  Q_OBJECT

 public:
  TCharacterLimit(qsizetype maximum, QObject* parent, TCharacterFilter accepts = {},
                  QString held = {});

  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  // Every character the filter refuses is one of the held text's, in order.
  bool OnlyAcceptedOrHeld(QStringView text) const;

  qsizetype Maximum;
  TCharacterFilter Accepts;
  QString Held;
};
