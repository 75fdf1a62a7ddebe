#include "HardwareModes.h"

#include <initializer_list>

namespace seiran {

namespace {

const QString kTest = kModeLoopBackTest;

struct Model {
    int deviceType;
    const char* name;
    const char* startMode;
    QStringList modes;
};

QStringList seriesBModes()
{
    return {QStringLiteral("200MHz 8ch 32Kbit"), QStringLiteral("200MHz 8ch 256Kbit"),
            QStringLiteral("100MHz 16ch 32Kbit"), QStringLiteral("100MHz 16ch 256Kbit"),
            QStringLiteral("信号発生 8ch 32Kbit"), kTest, QStringLiteral("ｸﾛｯｸ倍率x1 16ch 32Kbit"),
            QStringLiteral("ｸﾛｯｸ倍率x1 16ch 256Kbit")};
}

QStringList seriesCModes(bool withGeneratorMode)
{
    QStringList modes{QStringLiteral("200MHz 16ch 32Kbit"), QStringLiteral("200MHz 16ch 256Kbit"),
                      QStringLiteral("100MHz 32ch 32Kbit"), QStringLiteral("100MHz 32ch 256Kbit"),
                      QStringLiteral("圧縮 100MHz 16ch 256Kbit"), QStringLiteral("232C 100MHz 2ch 256Kbit")};
    if (withGeneratorMode)
        modes << QStringLiteral("信号発生 16ch 1Kbit");
    modes << kTest << QStringLiteral("ｸﾛｯｸ倍率x2 16ch 32Kbit") << QStringLiteral("ｸﾛｯｸ倍率x2 16ch 256Kbit")
          << QStringLiteral("TK-C4_AX-9");
    return modes;
}

const std::array<Model, 14>& models()
{
    static const std::array<Model, 14> table{{
        {0, "", nullptr, {QStringLiteral("50MHz 8ch 2Kbit"), kTest}},
        {1, "TK-A0", "50MHz 8ch 2Kbit", {QStringLiteral("50MHz 8ch 2Kbit"), kTest}},
        {2, "TK-A1", "50MHz 16ch 1Kbit", {QStringLiteral("50MHz 16ch 1Kbit"), QStringLiteral("50MHz 8ch 2Kbit"), kTest}},
        {3, "TK-M1", nullptr, {}},
        {4, "TK-A3", "100MHz 16ch 1Kbit", {QStringLiteral("100MHz 16ch 1Kbit"), QStringLiteral("50MHz 8ch 2Kbit"), kTest}},
        {5, "TK-A2", "100MHz 8ch 2Kbit", {QStringLiteral("100MHz 8ch 2Kbit"), QStringLiteral("50MHz 16ch 1Kbit"), kTest}},
        {6, "TK-B2", "100MHz 16ch 1Kbit", {QStringLiteral("100MHz 16ch 1Kbit"), QStringLiteral("100MHz 8ch 2Kbit"), kTest}},
        {7, "TK-B3", "200MHz 8ch 32Kbit", seriesBModes()},
        {8, "TK-B4", "200MHz 8ch 32Kbit", seriesBModes()},
        {9, "TK-B1", "66.6MHz 16ch 1Kbit", {QStringLiteral("66.6MHz 16ch 1Kbit"), QStringLiteral("66.6MHz 8ch 2Kbit"), kTest}},
        {10, "TK-C2", "200MHz 16ch 32Kbit", seriesCModes(false)},
        {11, "TK-C4", "200MHz 16ch 32Kbit", seriesCModes(false)},
        {12, "TK-C3", "200MHz 16ch 32Kbit", seriesCModes(false)},
        {13, "TK-C1", "200MHz 16ch 32Kbit", seriesCModes(true)},
    }};
    return table;
}

const Model* findModel(int deviceType)
{
    for (const Model& m : models())
        if (m.deviceType == deviceType)
            return &m;
    return nullptr;
}

// One row of the configuration file table: the mode, the types it applies to (empty: any), the base name.
struct FileChoice {
    const char* mode;
    std::initializer_list<int> types;
    const char* baseName;
};

// clang-format off
const FileChoice kFileChoices[] = {
    {"50MHz 8ch 2Kbit", {1}, "50M8C2K_S"},
    {"50MHz 8ch 2Kbit", {2, 4}, "50M8C8Z2K_S"},
    {"50MHz 16ch 1Kbit", {}, "50M16C1K_S"},
    {"100MHz 16ch 1Kbit", {4}, "100M16C1K_S"},
    {"100MHz 16ch 1Kbit", {6}, "TK-B2_100m16ch1k-1X"},
    {"100MHz 8ch 2Kbit", {5}, "100M8C8Z2K_D"},
    {"100MHz 8ch 2Kbit", {6}, "TK-B2_100m8ch2k-1X"},
    {"66.6MHz 16ch 1Kbit", {9}, "TK-B1_66m16ch1k"},
    {"66.6MHz 8ch 2Kbit", {9}, "TK-B1_66m8ch2k"},
    {"200MHz 8ch 32Kbit", {7}, "TK-B3_200m8ch32k"},
    {"200MHz 8ch 32Kbit", {8}, "TK-B4_200m8ch32k"},
    {"200MHz 8ch 256Kbit", {7}, "TK-B3_200m8ch256k"},
    {"200MHz 8ch 256Kbit", {8}, "TK-B4_200m8ch256k"},
    {"100MHz 16ch 32Kbit", {7}, "TK-B3_100m16ch32k"},
    {"100MHz 16ch 32Kbit", {8}, "TK-B4_100m16ch32k"},
    {"100MHz 16ch 256Kbit", {7}, "TK-B3_100m16ch256k"},
    {"100MHz 16ch 256Kbit", {8}, "TK-B4_100m16ch256k"},
    {"ｸﾛｯｸ倍率x1 16ch 32Kbit", {7}, "TK-B3_ExtClk16ch32k"},
    {"ｸﾛｯｸ倍率x1 16ch 32Kbit", {8}, "TK-B4_ExtClk16ch32k"},
    {"ｸﾛｯｸ倍率x1 16ch 256Kbit", {7}, "TK-B3_ExtClk16ch256k"},
    {"ｸﾛｯｸ倍率x1 16ch 256Kbit", {8}, "TK-B4_ExtClk16ch256k"},
    {"信号発生 8ch 32Kbit", {7}, "TK-B3_Gen8ch32k"},
    {"信号発生 8ch 32Kbit", {8}, "TK-B4_Gen8ch32k"},
    {"200MHz 16ch 32Kbit", {10}, "TK-C2_200m16ch32k"},
    {"200MHz 16ch 32Kbit", {11, 12}, "TK-C4_200m16ch32k"},
    {"200MHz 16ch 32Kbit", {13}, "TK-C1_200m16ch32k"},
    {"200MHz 16ch 256Kbit", {10}, "TK-C2_200m16ch256k"},
    {"200MHz 16ch 256Kbit", {11, 12}, "TK-C4_200m16ch256k"},
    {"200MHz 16ch 256Kbit", {13}, "TK-C1_200m16ch256k"},
    {"100MHz 32ch 32Kbit", {10}, "TK-C2_100m32ch32k"},
    {"100MHz 32ch 32Kbit", {11, 12}, "TK-C4_100m32ch32k"},
    {"100MHz 32ch 32Kbit", {13}, "TK-C1_100m32ch32k"},
    {"100MHz 32ch 256Kbit", {10}, "TK-C2_100m32ch256k"},
    {"100MHz 32ch 256Kbit", {11, 12}, "TK-C4_100m32ch256k"},
    {"100MHz 32ch 256Kbit", {13}, "TK-C1_100m32ch256k"},
    {"圧縮 100MHz 16ch 256Kbit", {10}, "TK-C2_compress100m16ch256k"},
    {"圧縮 100MHz 16ch 256Kbit", {11, 12}, "TK-C4_compress100m16ch256k"},
    {"圧縮 100MHz 16ch 256Kbit", {13}, "TK-C1_compress100m16ch256k"},
    {"232C 100MHz 2ch 256Kbit", {10}, "TK-C2_232c100m2ch256k"},
    {"232C 100MHz 2ch 256Kbit", {11, 12}, "TK-C4_232c100m2ch256k"},
    {"232C 100MHz 2ch 256Kbit", {13}, "TK-C1_232c100m2ch256k"},
    {"ｸﾛｯｸ倍率x2 16ch 32Kbit", {10}, "TK-C2_PLLx1_200m16ch32k"},
    {"ｸﾛｯｸ倍率x2 16ch 32Kbit", {11, 12}, "TK-C4_PLLx1_200m16ch32k"},
    {"ｸﾛｯｸ倍率x2 16ch 32Kbit", {13}, "TK-C1_PLLx1_200m16ch32k"},
    {"ｸﾛｯｸ倍率x2 16ch 256Kbit", {10}, "TK-C2_PLLx1_200m16ch256k"},
    {"ｸﾛｯｸ倍率x2 16ch 256Kbit", {11, 12}, "TK-C4_PLLx1_200m16ch256k"},
    {"ｸﾛｯｸ倍率x2 16ch 256Kbit", {13}, "TK-C1_PLLx1_200m16ch256k"},
    {"信号発生 16ch 1Kbit", {13}, "TK-C4_loop_back"},
    {"内部折返しテスト", {1}, "TEST-A0"},
    {"内部折返しテスト", {2, 5}, "TEST-A1"},
    {"内部折返しテスト", {4}, "TEST-A3"},
    {"内部折返しテスト", {6}, "TEST-B2-1X"},
    {"内部折返しテスト", {7}, "TEST-B3"},
    {"内部折返しテスト", {8}, "TEST-B4"},
    {"内部折返しテスト", {9}, "TEST-B1"},
    {"内部折返しテスト", {10}, "TK-C2_loop_back"},
    {"内部折返しテスト", {11, 12, 13}, "TK-C4_loop_back"},
    {"TK-C4_AX-9", {11}, "TK-C4_AX-9"},
};

// Check sums by type group: 0 = types 1-5, 1 = types 6-9, 2 = types 10 and above.
struct FileSum {
    int group;
    const char* fileName;
    long long sum; // -1: any sum
};

const FileSum kFileSums[] = {
    {0, "100M16C1K_S.ttf", 887193}, {0, "100M8C8Z2K_D.ttf", 883531}, {0, "50M16C1K_S.ttf", 881753},
    {0, "50M8C8Z2K_S.ttf", 851022}, {0, "50M8C2K_S.ttf", 821851}, {0, "TEST-A0.ttf", 782269},
    {0, "TEST-A1.ttf", 879338}, {0, "TEST-A3.ttf", 878656},
    {1, "TK-B1_66m16ch1k.ttf", 1067957}, {1, "TK-B1_66m8ch2k.ttf", 920412},
    {1, "TK-B2_100m16ch1k-1X.ttf", 1044346}, {1, "TK-B2_100m8ch2k-1X.ttf", 933192},
    {1, "TK-B3_200m8ch32k.ttf", 1255579}, {1, "TK-B3_200m8ch256k.ttf", 1276402},
    {1, "TK-B3_100m16ch32k.ttf", 1266047}, {1, "TK-B3_100m16ch256k.ttf", 1284363},
    {1, "TK-B3_ExtClk16ch32k.ttf", 1266088}, {1, "TK-B3_ExtClk16ch256k.ttf", 1284404},
    {1, "TK-B3_Gen8ch32k.ttf", 1223408}, {1, "TK-B4_200m8ch32k.ttf", 1286008},
    {1, "TK-B4_200m8ch256k.ttf", 1281823}, {1, "TK-B4_100m16ch32k.ttf", 1287057},
    {1, "TK-B4_100m16ch256k.ttf", 1311864}, {1, "TK-B4_ExtClk16ch32k.ttf", 1289081},
    {1, "TK-B4_ExtClk16ch256k.ttf", 1317944}, {1, "TK-B4_Gen8ch32k.ttf", 1217627},
    {1, "TEST-B1.ttf", 929428}, {1, "TEST-B2-1X.ttf", 944924}, {1, "TEST-B3.ttf", 1253032},
    {1, "TEST-B4.ttf", 1263567},
    {2, "TK-C1_200m16ch32k.ttf", 3478237}, {2, "TK-C1_200m16ch256k.ttf", 3542261},
    {2, "TK-C1_100m32ch32k.ttf", 3578930}, {2, "TK-C1_100m32ch256k.ttf", 3526378},
    {2, "TK-C1_compress100m16ch256k.ttf", 3250644}, {2, "TK-C1_232c100m2ch256k.ttf", 3469460},
    {2, "TK-C1_PLLx1_200m16ch32k.ttf", 3503925}, {2, "TK-C1_PLLx1_200m16ch256k.ttf", 3539600},
    {2, "TK-C2_200m16ch32k.ttf", 3570958}, {2, "TK-C2_200m16ch256k.ttf", 3444320},
    {2, "TK-C2_100m32ch32k.ttf", 3691995}, {2, "TK-C2_100m32ch256k.ttf", 3645949},
    {2, "TK-C2_compress100m16ch256k.ttf", 3510317}, {2, "TK-C2_232c100m2ch256k.ttf", 3459085},
    {2, "TK-C2_loop_back.ttf", 3548970}, {2, "TK-C2_PLLx1_200m16ch32k.ttf", 3570676},
    {2, "TK-C2_PLLx1_200m16ch256k.ttf", 3444412}, {2, "TK-C4_200m16ch32k.ttf", 3665176},
    {2, "TK-C4_200m16ch256k.ttf", 3697221}, {2, "TK-C4_100m32ch32k.ttf", 3824177},
    {2, "TK-C4_100m32ch256k.ttf", 3744022}, {2, "TK-C4_compress100m16ch256k.ttf", 3386976},
    {2, "TK-C4_232c100m2ch256k.ttf", 3508946}, {2, "TK-C4_loop_back.ttf", 3593587},
    {2, "TK-C4_PLLx1_200m16ch32k.ttf", 3678176}, {2, "TK-C4_PLLx1_200m16ch256k.ttf", 3646184},
    {2, "TK-C4_AX-9.ttf", -1},
};
// clang-format on

int sumGroup(int deviceType)
{
    if (deviceType <= 5)
        return 0;
    return deviceType <= 9 ? 1 : 2;
}

bool has(const QString& text, const char* part)
{
    return text.contains(QString::fromUtf8(part));
}

} // namespace

QString modelName(int deviceType)
{
    const Model* m = findModel(deviceType);
    return m ? QString::fromUtf8(m->name) : QString();
}

int deviceTypeOfModel(const QString& model)
{
    for (const Model& m : models())
        if (m.deviceType != 0 && model == QString::fromUtf8(m.name))
            return m.deviceType;
    return 0;
}

QStringList hardwareModes(int deviceType)
{
    const Model* m = findModel(deviceType);
    return m ? m->modes : QStringList();
}

QString startMode(int deviceType)
{
    const Model* m = findModel(deviceType);
    return m && m->startMode ? QString::fromUtf8(m->startMode) : kInitialHardwareMode;
}

QString configurationFileName(const QString& hardwareMode, int deviceType)
{
    for (const FileChoice& choice : kFileChoices) {
        if (hardwareMode != QString::fromUtf8(choice.mode))
            continue;
        bool applies = choice.types.size() == 0;
        for (int type : choice.types)
            applies = applies || type == deviceType;
        if (applies)
            return QString::fromUtf8(choice.baseName) + QStringLiteral(".ttf");
    }
    return QStringLiteral(".ttf");
}

ExpectedSum expectedConfigurationSum(const QString& fileName, int deviceType)
{
    const int group = sumGroup(deviceType);
    for (const FileSum& entry : kFileSums) {
        if (entry.group == group && fileName == QString::fromUtf8(entry.fileName))
            return {true, entry.sum < 0, entry.sum < 0 ? 0 : entry.sum};
    }
    return {};
}

std::array<QString, 5> modeOutline(const QString& h, int t, int generatorDepthLimit)
{
    std::array<QString, 5> out;
    QString& aCh = out[0];
    QString& aData = out[1];
    QString& gCh = out[2];
    QString& gData = out[3];
    QString& mult = out[4];
    const bool test = h == kTest;

    if (t >= 1 && t <= 5) {
        if (test)
            aCh = t == 1 ? QStringLiteral("8") : QStringLiteral("16");
        else if (has(h, "8ch"))
            aCh = QStringLiteral("8");
        else if (has(h, "16ch"))
            aCh = QStringLiteral("16");
        if (test || has(h, "1Kbit"))
            aData = QStringLiteral("1K");
        else if (has(h, "2Kbit"))
            aData = QStringLiteral("2K");
        gCh = test && t != 1 ? QStringLiteral("16") : QStringLiteral("8");
        gData = QStringLiteral("256");
        if (test)
            mult = t == 4 ? QStringLiteral("x2") : QStringLiteral("x1");
        else if (has(h, "100MHz"))
            mult = QStringLiteral("x2");
        else if (has(h, "50MHz"))
            mult = QStringLiteral("x1");
    } else if (t == 6 || t == 9) {
        if (test || has(h, "8ch"))
            aCh = QStringLiteral("8");
        else if (has(h, "16ch"))
            aCh = QStringLiteral("16");
        if (has(h, "1Kbit"))
            aData = QStringLiteral("1K");
        else if (test || has(h, "2Kbit"))
            aData = QStringLiteral("2K");
        gCh = QStringLiteral("8");
        gData = generatorDepthLimit == 1024 ? QStringLiteral("1K") : QStringLiteral("256");
        mult = t == 6 ? QStringLiteral("x2") : QStringLiteral("x1");
    } else if (t == 7 || t == 8 || (t >= 10 && t <= 13)) {
        const bool gen16 = h == QStringLiteral("信号発生 16ch 1Kbit");
        const bool gen8 = h == QStringLiteral("信号発生 8ch 32Kbit");
        if (test)
            aCh = t <= 8 ? QStringLiteral("8") : QStringLiteral("16");
        else if (gen16)
            aCh.clear();
        else if (gen8)
            aCh = QStringLiteral("16");
        else if (has(h, "8ch"))
            aCh = QStringLiteral("8");
        else if (has(h, "16ch"))
            aCh = QStringLiteral("16");
        else if (has(h, "32ch"))
            aCh = QStringLiteral("32");

        if (test)
            aData = QStringLiteral("32K");
        else if (gen16)
            aData.clear();
        else if (gen8)
            aData = QStringLiteral("1K");
        else if (has(h, "32Kbit"))
            aData = QStringLiteral("32K");
        else if (has(h, "256Kbit"))
            aData = QStringLiteral("256K");

        const bool noGenerator = t == 13 && !gen16 && !test;
        if (!noGenerator) {
            gCh = t >= 10 ? QStringLiteral("16") : QStringLiteral("8");
            if (gen8)
                gData = QStringLiteral("32K");
            else
                gData = generatorDepthLimit == 1024 ? QStringLiteral("1K") : QStringLiteral("256");
        }

        if (gen16)
            mult = QStringLiteral("x2");
        else if (test || has(h, "200MHz"))
            mult = QStringLiteral("x4");
        else if (has(h, "100MHz"))
            mult = QStringLiteral("x2");
        else if (has(h, "ｸﾛｯｸ倍率x1"))
            mult = QStringLiteral("x1");
        else if (has(h, "ｸﾛｯｸ倍率x2"))
            mult = QStringLiteral("x2");
    }
    return out;
}

ModeNotes modeNotes(const QString& h, int t)
{
    ModeNotes notes;
    if (!(t == 7 || t == 8 || (t >= 10 && t <= 13)))
        return notes;
    if (has(h, "100MHz") || has(h, "200MHz") || h == QStringLiteral("信号発生 16ch 1Kbit")) {
        notes.lines << QStringLiteral("外部クロック周波数範囲：25～50MHz");
        notes.clockPeriodRange = QStringLiteral("20～40nS");
    } else if (has(h, "ｸﾛｯｸ倍率x2") || has(h, "ｸﾛｯｸ倍率x1")) {
        notes.lines << QStringLiteral("外部クロック周波数範囲：50～100MHz");
        notes.clockPeriodRange = QStringLiteral("10～20nS");
    } else if (has(h, "内部折返しテスト")) {
        notes.lines << QStringLiteral("CN3出力を内部で折り返します。") << QStringLiteral("外部信号の測定はできません。");
        notes.clockPeriodRange = QStringLiteral("20～40nS");
    }
    if (has(h, "232C")) {
        notes.lines << QStringLiteral("コネクタCN4のCH0とCH1に232Cレベル（±12V）を入力できます。")
                    << QStringLiteral("CN4以外のコネクタに232Cレベルを入力しないで下さい。");
    }
    return notes;
}

} // namespace seiran
