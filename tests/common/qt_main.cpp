// The main of every widget test program: a QApplication on the offscreen platform, then gtest.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "tests/common/testapplication.h"

// A test program that needs the program's own application object defines this strongly.
__attribute__((weak)) std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv) {
  return std::make_unique<QApplication>(argc, argv);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::unique_ptr<QApplication> app = MakeTestApplication(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
