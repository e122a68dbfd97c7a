#include "shell/displaysettings.h"

#include <exception>
#include <functional>

#include "shell/settingsstore.h"
#include "tags/fields.h"
#include "window/commentform.h"

namespace {

const QString DisplaySection = QStringLiteral("Display data");

// The settings key of a column's width, from the field table.
QString ColumnKey(int column) {
  const std::string_view key = Info(TField(column)).SettingsKey;
  return QString::fromLatin1(key.data(), qsizetype(key.size()));
}

// Whether the column is shown is kept beside its width: "Col 5 Shown".
QString ShownKey(int column) { return ColumnKey(column) + QStringLiteral(" Shown"); }

}  // namespace

void ReadDisplaySettings(TSettingsTarget& target) {
  TSettingsStore store;
  const QString& s = DisplaySection;
  target.ApplyWindowLeft(store.ReadInteger(s, "Left", DesignGeometry::Left));
  target.ApplyWindowTop(store.ReadInteger(s, "Top", DesignGeometry::Top));
  target.ApplyWindowWidth(store.ReadInteger(s, "Width", DesignGeometry::Width));
  target.ApplyWindowHeight(store.ReadInteger(s, "Height", DesignGeometry::Height));
  target.ApplyCommentWidth(store.ReadInteger(s, "CommentWidth", TCommentForm::DefaultWidth));
  target.ApplyCommentHeight(store.ReadInteger(s, "CommentHeight", TCommentForm::DefaultHeight));
  target.ApplyEntireDrive(store.ReadBool(s, "Entire Drive", true));
  target.ApplySubdirectories(store.ReadBool(s, "Subdirectories", true));
  // A drive or folder that cannot be entered today (a disk that is not mounted) is reported
  // once the values after it are applied too: left at their design values, they would be
  // written over the stored ones at the end.
  std::exception_ptr unreachable;
  const auto applyPlace = [&](const std::function<void()>& apply) {
    try {
      apply();
    } catch (const std::exception&) {
      if (!unreachable) unreachable = std::current_exception();
    }
  };
  // An empty drive or folder names nothing to go to: the chooser and the list stay put.
  const QString drive = store.ReadText(s, "ScanDrive", target.ScanDrive());
  if (!drive.isEmpty()) applyPlace([&] { target.ApplyScanDrive(drive); });
  const QString folder = store.ReadText(s, "ScanDir", target.ScanDir());
  if (!folder.isEmpty()) applyPlace([&] { target.ApplyScanDir(folder); });
  for (int column = 0; column < int(FieldCount); ++column)
    target.ApplyColumnWidth(column,
                            store.ReadInteger(s, ColumnKey(column), Info(TField(column)).Width));
  // Columns are shown before any is hidden: the last column shown cannot be hidden.
  bool shown[FieldCount];
  for (int column = 0; column < int(FieldCount); ++column)
    shown[column] = store.ReadBool(s, ShownKey(column), Info(TField(column)).ShownByDefault);
  for (const bool pass : {true, false})
    for (int column = 0; column < int(FieldCount); ++column)
      if (shown[column] == pass) target.ApplyColumnShown(column, pass);
  if (unreachable) std::rethrow_exception(unreachable);
}

void WriteDisplaySettings(const TSettingsTarget& target) {
  TSettingsStore store;
  const QString& s = DisplaySection;
  store.WriteInteger(s, "Left", target.WindowLeft());
  store.WriteInteger(s, "Top", target.WindowTop());
  store.WriteInteger(s, "Width", target.WindowWidth());
  store.WriteInteger(s, "Height", target.WindowHeight());
  store.WriteInteger(s, "CommentWidth", target.CommentWidth());
  store.WriteInteger(s, "CommentHeight", target.CommentHeight());
  store.WriteBool(s, "Entire Drive", target.EntireDrive());
  store.WriteBool(s, "Subdirectories", target.Subdirectories());
  store.WriteText(s, "ScanDrive", target.ScanDrive());
  store.WriteText(s, "ScanDir", target.ScanDir());
  for (int column = 0; column < int(FieldCount); ++column)
    store.WriteInteger(s, ColumnKey(column), target.ColumnWidth(column));
  for (int column = 0; column < int(FieldCount); ++column)
    store.WriteBool(s, ShownKey(column), target.ColumnShown(column));
  store.Close();
}
