#pragma once

#include <string>

// Shows a message of the tag layer (a failed ID3v2 save) in an error box with one OK button.
// The shell installs it with SetTagReporter. The message names a path, so it is decoded as a
// file name.
void ShowTagReport(const std::string& message);
