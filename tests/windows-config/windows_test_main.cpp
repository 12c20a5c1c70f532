// Entry point of Config's test programs under Wine: the real Windows
// platform plug-in draws on the virtual X server that Wine talks to.
#include "framework/PlatformStartup.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    PrepareProcessForWindowLayer();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
