#include "tags/fileerror.h"

#include <cerrno>
#include <cstring>

TFileChangedError::TFileChangedError(const std::string& path)
    : TFileOpenError(path, ChangedReason()) {}

std::string FailureReason(int error, TFailedOn on) {
  const bool folder = on == TFailedOn::Folder;
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "The disk is full.";
    case EROFS:
      return "The disk is mounted read-only.";
    case EACCES:
    case EPERM:
      return folder ? "The folder cannot be written." : "The file is read-only.";
    case ENOENT:
      return folder ? "The folder is gone." : "The file is gone.";
    case EIO:
      return "The disk reported an error (input/output error).";
    case EFBIG:
      return "The file would grow beyond the largest size allowed.";
    case EWOULDBLOCK:
    case ETXTBSY:
    case EBUSY:
      return "It is in use by another program.";
    default:
      return std::string(std::strerror(error)) + ".";
  }
}

void ThrowFailure(const std::string& path, int error, TFailedOn on) {
  throw TFileOpenError(path, FailureReason(error, on), error);
}

std::string ReadFailure(int error) { return "The file could not be read. " + FailureReason(error); }

std::string ChangedReason() { return "The file changed since it was read."; }
