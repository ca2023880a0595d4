#include <gtest/gtest.h>
#include <QCoreApplication>

// Tests that need Qt's event machinery find a QCoreApplication already there.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
