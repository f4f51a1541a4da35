// main() of the GoogleTest programs that need Qt's GUI classes (fonts, images, PDF, SVG):
// one QGuiApplication on the offscreen platform for the whole run.

#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
