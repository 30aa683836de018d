// The wizard's tests need one QApplication for the whole run.

#include <gtest/gtest.h>

#include <QApplication>

#include "support/TestEnv.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  pftest::InstallTestEnvironment();
  return RUN_ALL_TESTS();
}
