// Test main: every test executable runs inside a QApplication (offscreen in CTest),
// so widgets, the clipboard and queued calls work in any test.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
