// The window tests need one QApplication for the whole run; the offscreen platform unless the
// environment names another.

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QFont font;
    font.setFamilies({QStringLiteral("VL PGothic"), QStringLiteral("VL Gothic")});
    font.setPixelSize(13);
    QApplication::setFont(font);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
