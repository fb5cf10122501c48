// main() of the desktop program's tests: one QApplication for the whole program (the
// tests run with Qt's offscreen platform, set by CTest).

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  // Also when CTest lists the tests, which it does without the tests' environment.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
