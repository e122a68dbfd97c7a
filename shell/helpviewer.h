#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// Tunemark's help window. The help file is an HTML document whose topics are anchors named by
// their context number ("1" is the overview). A file that cannot be opened is reported in the
// window itself.
class THelpViewer : public QWidget {
  Q_OBJECT

 public:
  explicit THelpViewer(QWidget* parent = nullptr);

  // Shows the window with the help file open at the topic.
  void ShowTopic(const QString& helpFile, int context);
  // Closes the window if it shows this help file; called at program end whether or not help
  // was ever opened.
  void Quit(const QString& helpFile);

  QTextBrowser* Browser() const { return FBrowser; }

 protected:
  // Escape closes the window, as it closes a dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTextBrowser* FBrowser;
  QString FHelpFile;  // the file shown, empty when none is
};
