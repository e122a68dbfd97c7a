#pragma once

#include <QApplication>
#include <memory>

// Makes the application object of a test program; the default is a plain QApplication.
std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv);
