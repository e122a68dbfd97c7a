#pragma once

#include <string>

#include "scan/mounttable.h"

// One line of /proc/self/mountinfo as a mount, its escaped characters (\040 for a space)
// restored and its block device looked up in sysfs. The label is not read here.
TMount ParseMountInfoLine(const std::string& line);
