#include "window/editrules.h"

#include <QStringList>
#include <algorithm>

#include "tags/mp3tag.h"
#include "tags/textcodec.h"

namespace {

bool Digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

QString ReadOnlyMessage(std::size_t count) {
  if (count == 1)
    return QStringLiteral("Tag cannot be changed :\rthe associated file is read-only");
  return QStringLiteral("%1 tags cannot be changed :\rthe associated files are read-only")
      .arg(count);
}

QString CutMessage(std::size_t count) {
  if (count == 1)
    return QStringLiteral("Tag cannot be changed :\rthis text is too long to be shown whole");
  return QStringLiteral("%1 tags cannot be changed :\rtheir texts are too long to be shown whole")
      .arg(count);
}

QString RuleMessage(std::size_t count) {
  const QString rule = QStringLiteral(
      "a year is digits, a track a number or a number, \"/\" and the number of tracks (3 or "
      "3/12)");
  if (count == 1) return QStringLiteral("This text cannot be taken :\r") + rule;
  return QStringLiteral("%1 texts were not taken :\r").arg(count) + rule;
}

bool FollowsRule(TField field, const std::string& text) {
  switch (Info(field).Rule) {
    case TTextRule::Year:
      return text.empty() || Digits(text);
    case TTextRule::Track: {
      if (text.empty()) return true;
      if (text.size() > Info(field).Limit) return false;
      const std::size_t slash = text.find('/');
      if (slash == std::string::npos) return Digits(text);
      return Digits(std::string_view(text).substr(0, slash)) &&
             Digits(std::string_view(text).substr(slash + 1));
    }
    case TTextRule::ReadOnly:
      return false;
    default:
      return true;
  }
}

std::optional<std::string> BlockForm(const TMP3Tag& tag, TField field, const std::string& text) {
  switch (Info(field).Rule) {
    case TTextRule::Track: {
      const std::string number = text.substr(0, text.find('/'));
      if (tag.Fits(field, number)) return number;
      return std::nullopt;
    }
    case TTextRule::Genre:
      return std::nullopt;
    default:
      return Win1252ToUtf8(Utf8ToWin1252(CutToCharacters(text, tag.Limit(field))));
  }
}

void TVersion1Question::Add(const TMP3Tag& tag, TField field, const std::string& text) {
  switch (Info(field).Rule) {
    case TTextRule::Track:
      Track = true;
      return;
    case TTextRule::Genre:
      Genre = true;
      return;
    default:
      break;
  }
  const std::size_t width = tag.Limit(field);
  if (CharacterCount(text) > width) {
    TooLong = true;
    MinWidth = std::min(MinWidth, width);
    MaxWidth = std::max(MaxWidth, width);
  }
  if (!FitsWin1252(text)) Foreign = true;
}

QString TVersion1Question::Text(std::size_t files) const {
  // The question names what the texts break: their length, their characters, or both. A comment
  // beside a track number holds 28 characters.
  QStringList reasons;
  if (TooLong || Foreign) {
    const QString length =
        MinWidth == MaxWidth
            ? QStringLiteral("have a maximum length of %1").arg(MaxWidth)
            : QStringLiteral("have a maximum length of %1 to %2").arg(MinWidth).arg(MaxWidth);
    QString reason;
    if (TooLong && Foreign)
      reason = length + QStringLiteral(" and cannot hold some of these characters");
    else if (TooLong)
      reason = length;
    else
      reason = QStringLiteral("cannot hold some of these characters");
    reasons << QStringLiteral("Version 1 tag strings ") + reason;
  }
  if (Track)
    reasons << QStringLiteral(
        "Version 1 tags hold a track number from 1 to 255 only, beside a comment of at most 28 "
        "characters");
  if (Genre) reasons << QStringLiteral("Version 1 tags hold a genre of the standard list only");
  if (files == 1)
    return QStringLiteral("The tag is currently a version 1 tag.\r") + reasons.join('\r') +
           QStringLiteral(" =>\rDo you want to convert the tag to version 2");
  return QStringLiteral("%1 files have a version 1 tag.\r").arg(files) + reasons.join('\r') +
         QStringLiteral(" =>\rDo you want to convert these tags to version 2");
}
