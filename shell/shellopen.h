#pragma once

#include <QString>

// Hands a URL or a "mailto:" address to the desktop to open (browser, mail program). When
// nothing can open it, nothing is reported.
void ShellOpen(const QString& text);
