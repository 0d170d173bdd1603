// main() of the Qt test programs: one QApplication for every test, in the program's own style.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/program_style.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    icogen::platform::applyProgramStyle();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
