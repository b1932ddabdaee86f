// Entry point of the window tests: the window program's own application, so that what reaches the event
// loop is caught as it is there, on the offscreen platform for the whole run.
#include "mainwindow/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    velmora::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
