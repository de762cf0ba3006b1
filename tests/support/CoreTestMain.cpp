#include <QCoreApplication>

#include <gtest/gtest.h>

// The tests of the libraries without widgets run inside a QCoreApplication, so a widget that
// sneaks into them fails at once.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
