#include "setup/HardwareModes.h"
#include "setup/InstrumentSettings.h"

#include <gtest/gtest.h>

using namespace seiran;

TEST(Models, NamesModesAndStartModes)
{
    EXPECT_EQ(modelName(11), QStringLiteral("TK-C4"));
    EXPECT_EQ(deviceTypeOfModel(QStringLiteral("TK-C4")), 11);
    EXPECT_EQ(deviceTypeOfModel(QStringLiteral("TK-Z9")), 0);
    EXPECT_TRUE(hardwareModes(3).isEmpty());
    EXPECT_TRUE(hardwareModes(14).isEmpty());
    EXPECT_EQ(hardwareModes(0), hardwareModes(1));
    EXPECT_EQ(hardwareModes(8), hardwareModes(7));

    const QStringList c1 = hardwareModes(13);
    ASSERT_EQ(c1.size(), 11);
    EXPECT_EQ(c1.indexOf(QStringLiteral("信号発生 16ch 1Kbit")), c1.indexOf(QStringLiteral("232C 100MHz 2ch 256Kbit")) + 1);
    EXPECT_EQ(hardwareModes(10).size(), 10);
    EXPECT_EQ(hardwareModes(10).last(), QStringLiteral("TK-C4_AX-9"));

    // Every model with modes starts in one of its own modes.
    for (int type = 1; type <= 13; ++type) {
        if (hardwareModes(type).isEmpty())
            continue;
        EXPECT_TRUE(hardwareModes(type).contains(startMode(type))) << type;
    }
    EXPECT_EQ(startMode(3), QStringLiteral("100MHz 16ch 1Kbit"));
}

TEST(Models, ConfigurationFilesAndTheirSums)
{
    struct Case { const char* mode; int type; const char* file; };
    const Case cases[] = {
        {"内部折返しテスト", 5, "TEST-A1.ttf"},
        {"内部折返しテスト", 2, "TEST-A1.ttf"},
        {"50MHz 16ch 1Kbit", 5, "50M16C1K_S.ttf"},
        {"50MHz 8ch 2Kbit", 4, "50M8C8Z2K_S.ttf"},
        {"200MHz 16ch 32Kbit", 12, "TK-C4_200m16ch32k.ttf"},
        {"信号発生 16ch 1Kbit", 13, "TK-C4_loop_back.ttf"},
        {"TK-C4_AX-9", 11, "TK-C4_AX-9.ttf"},
        {"TK-C4_AX-9", 10, ".ttf"},
        {"100MHz 16ch 1Kbit", 5, ".ttf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(configurationFileName(QString::fromUtf8(c.mode), c.type), QString::fromUtf8(c.file)) << c.mode << c.type;

    // Every file a model's modes can name has a known sum for that model.
    for (int type = 1; type <= 13; ++type) {
        for (const QString& mode : hardwareModes(type)) {
            const QString file = configurationFileName(mode, type);
            if (file == QStringLiteral(".ttf"))
                continue;
            EXPECT_TRUE(expectedConfigurationSum(file, type).known) << file.toStdString() << " on " << type;
        }
    }

    EXPECT_EQ(expectedConfigurationSum(QStringLiteral("TK-C4_200m16ch32k.ttf"), 11).sum, 3665176);
    EXPECT_EQ(expectedConfigurationSum(QStringLiteral("TEST-A0.ttf"), 1).sum, 782269);
    EXPECT_FALSE(expectedConfigurationSum(QStringLiteral("TEST-A0.ttf"), 6).known); // another group
    EXPECT_FALSE(expectedConfigurationSum(QStringLiteral(".ttf"), 11).known);
    EXPECT_TRUE(expectedConfigurationSum(QStringLiteral("TK-C4_AX-9.ttf"), 11).anySum);
}

TEST(ClockPeriods, ByModeClockSourceAndType)
{
    const QString internal = kInternalClock;
    const QString external = QStringLiteral("外部クロック");
    struct Case { const char* mode; bool ext; int e; int type; int analyzer; int generator; };
    const Case cases[] = {
        {"内部折返しテスト", false, 20, 11, 5, 10},
        {"内部折返しテスト", true, 20, 6, 10, 10},
        {"内部折返しテスト", false, 20, 9, 15, 15},
        {"内部折返しテスト", false, 20, 1, 20, 20},
        {"信号発生 8ch 32Kbit", false, 20, 7, 10, 10},
        {"ｸﾛｯｸ倍率x1 16ch 256Kbit", false, 20, 7, 20, 20},
        {"ｸﾛｯｸ倍率x2 16ch 32Kbit", false, 20, 11, 10, 20},
        {"50MHz 8ch 2Kbit", false, 20, 1, 20, 20},
        {"100MHz 8ch 2Kbit", false, 20, 5, 10, 20},
        {"100MHz 16ch 1Kbit", false, 20, 4, 10, 10},
        {"圧縮 100MHz 16ch 256Kbit", false, 20, 11, 10, 10},
        {"200MHz 16ch 32Kbit", false, 20, 11, 5, 10},
        {"66.6MHz 16ch 1Kbit", false, 20, 9, 15, 15},
        {"TK-C4_hdlip", false, 20, 11, 10, 10},
        {"TK-C4_AX-9", false, 20, 11, 77, 88},          // not named: the previous pair stays
        {"信号発生 8ch 32Kbit", true, 25, 7, 12, 12},
        {"ｸﾛｯｸ倍率x1 16ch 32Kbit", true, 25, 7, 25, 25},
        {"ｸﾛｯｸ倍率x2 16ch 256Kbit", true, 25, 11, 12, 25},
        {"66.6MHz 8ch 2Kbit", true, 30, 9, 30, 30},
        {"100MHz 16ch 32Kbit", true, 20, 7, 10, 10},
        {"100MHz 8ch 2Kbit", true, 20, 5, 10, 20},
        {"100MHz 16ch 1Kbit", true, 20, 9, 77, 88},     // type 9 has no such rule
        {"200MHz 16ch 32Kbit", true, 20, 11, 5, 10},
        {"200MHz 16ch 32Kbit", true, 25, 11, 6, 12},    // integer division
        {"200MHz 8ch 32Kbit", true, 20, 6, 77, 88},
    };
    for (const Case& c : cases) {
        const ClockPeriods p = ComputeClockPeriods(QString::fromUtf8(c.mode), c.ext ? external : internal, c.e, c.type, {77, 88});
        EXPECT_EQ(p.analyzer, c.analyzer) << c.mode << " type " << c.type;
        EXPECT_EQ(p.generator, c.generator) << c.mode << " type " << c.type;
    }
}

TEST(ModeOutline, TextsOfTheHardwareDialog)
{
    using Outline = std::array<QString, 5>;
    auto outline = [](const char* mode, int type, int limit = 1024) {
        return modeOutline(QString::fromUtf8(mode), type, limit);
    };
    EXPECT_EQ(outline("内部折返しテスト", 1), (Outline{"8", "1K", "8", "256", "x1"}));
    EXPECT_EQ(outline("内部折返しテスト", 4), (Outline{"16", "1K", "16", "256", "x2"}));
    EXPECT_EQ(outline("100MHz 8ch 2Kbit", 5), (Outline{"8", "2K", "8", "256", "x2"}));
    EXPECT_EQ(outline("100MHz 16ch 1Kbit", 6, 256), (Outline{"16", "1K", "8", "256", "x2"}));
    EXPECT_EQ(outline("内部折返しテスト", 9), (Outline{"8", "2K", "8", "1K", "x1"}));
    EXPECT_EQ(outline("信号発生 8ch 32Kbit", 7), (Outline{"16", "1K", "8", "32K", ""}));
    EXPECT_EQ(outline("200MHz 16ch 256Kbit", 11), (Outline{"16", "256K", "16", "1K", "x4"}));
    EXPECT_EQ(outline("100MHz 32ch 32Kbit", 13), (Outline{"32", "32K", "", "", "x2"}));
    EXPECT_EQ(outline("信号発生 16ch 1Kbit", 13), (Outline{"", "", "16", "1K", "x2"}));
    EXPECT_EQ(outline("ｸﾛｯｸ倍率x1 16ch 32Kbit", 8), (Outline{"16", "32K", "8", "1K", "x1"}));
    EXPECT_EQ(outline("232C 100MHz 2ch 256Kbit", 10), (Outline{"", "256K", "16", "1K", "x2"}));
}

TEST(ModeOutline, NotesAndClockRanges)
{
    const ModeNotes c232 = modeNotes(QStringLiteral("232C 100MHz 2ch 256Kbit"), 11);
    EXPECT_EQ(c232.lines.size(), 3);
    EXPECT_EQ(c232.lines.first(), QStringLiteral("外部クロック周波数範囲：25～50MHz"));
    EXPECT_EQ(c232.clockPeriodRange, QStringLiteral("20～40nS"));
    EXPECT_EQ(modeNotes(QStringLiteral("ｸﾛｯｸ倍率x2 16ch 32Kbit"), 12).clockPeriodRange, QStringLiteral("10～20nS"));
    EXPECT_EQ(modeNotes(kModeLoopBackTest, 7).lines.size(), 2);
    EXPECT_TRUE(modeNotes(QStringLiteral("100MHz 16ch 1Kbit"), 6).lines.isEmpty());
}

TEST(InstrumentSettings, ValuesSent)
{
    EXPECT_EQ(inputLevelValue(QStringLiteral("5V、3.3V共用")), 2324u);
    EXPECT_EQ(inputLevelValue(QStringLiteral("1.5V")), 1056u);
    EXPECT_EQ(outputLevelValue(QStringLiteral("3.3V")), 0u);
    EXPECT_EQ(outputLevelValue(QStringLiteral("5V")), 1u);
    EXPECT_EQ(clockSourceValue(kInternalClock), 0u);
    EXPECT_EQ(clockSourceValue(QStringLiteral("外部クロック")), 1u);
    EXPECT_EQ(samplingDelayCode(QStringLiteral("-1.25nS")), 0x301u);
    EXPECT_EQ(samplingDelayCode(QStringLiteral("+1.875nS")), 0x202u);
    EXPECT_EQ(samplingDelayCode(QStringLiteral("7nS")), 0u);
    EXPECT_EQ(samplingDelayChoices().size(), 9);
}
