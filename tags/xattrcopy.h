#pragma once

#include <string>

// Copies every extended attribute of one open file to another (access lists included, which
// live in "system.posix_acl_access"). A file system without extended attributes has none to
// copy. An attribute that cannot be set throws TFileOpenError naming `path`, except a security
// label ("security.*"), which the system gives the new file by its own rules.
void CopyExtendedAttributes(int from, int to, const std::string& path);
