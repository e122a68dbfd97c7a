#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

// The input/output error of the drive and folder controls: a drive or folder could not be
// entered. The message is the system's own text for the error number.
class TInOutError : public std::runtime_error {
 public:
  TInOutError(int errorNumber, const std::string& path)
      : std::runtime_error(std::strerror(errorNumber)), FErrorNumber(errorNumber), FPath(path) {}
  int ErrorNumber() const { return FErrorNumber; }
  const std::string& Path() const { return FPath; }

 private:
  int FErrorNumber;
  std::string FPath;
};
