#include "shell/shellopen.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const QString& text) { QDesktopServices::openUrl(QUrl(text)); }
