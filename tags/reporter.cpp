#include "tags/reporter.h"

#include <iostream>
#include <utility>

namespace {

TTagReporter& Installed() {
  static TTagReporter reporter;
  return reporter;
}

}  // namespace

void SetTagReporter(TTagReporter reporter) { Installed() = std::move(reporter); }

void ReportTagMessage(const std::string& message) {
  if (const TTagReporter& reporter = Installed()) {
    reporter(message);
  } else {
    std::cerr << message << '\n';
  }
}
