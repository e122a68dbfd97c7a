#pragma once

#include <functional>
#include <string>

// The tag layer shows no messages itself: where it must tell the user something (a failed
// ID3v2 save) it calls the reporter the program installs. The default writes to standard error.
using TTagReporter = std::function<void(const std::string& message)>;

void SetTagReporter(TTagReporter reporter);  // an empty function restores the default
void ReportTagMessage(const std::string& message);
