#include "AppOptions.h"

#include "SimulatedInstrument.h"

#include <QCommandLineParser>

namespace seiran::app {

ParsedOptions parseAppOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Seiran: logic analyzer, pattern generator and protocol analyzer."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Use the simulated instrument of this type (1 to 13, or a model name such as TK-C4)."),
                                      QStringLiteral("MODEL"));
    const QCommandLineOption mode(QStringLiteral("mode"), QStringLiteral("Change to this hardware mode after start-up."),
                                  QStringLiteral("MODE"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Run one capture, save the window picture to this PNG file and end."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("screenshot: the analyzer page, 0 to 3."),
                                  QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("screenshot: the sampling interval as the list shows it (10nS)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption zoom(QStringLiteral("zoom"),
                                  QStringLiteral("screenshot: the zoom after the capture as the list shows it (×4, 全データ)."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption bus(QStringLiteral("bus"),
                                 QStringLiteral("screenshot: join rows FIRST to LAST (from 0) into a HEX bus row."),
                                 QStringLiteral("FIRST-LAST"));
    const QCommandLineOption position(QStringLiteral("position"),
                                      QStringLiteral("screenshot: the trigger position of the capture, 左, 中央 or 右."),
                                      QStringLiteral("POS"));
    const QCommandLineOption cursors(QStringLiteral("cursors"),
                                     QStringLiteral("screenshot: cursors A and B after the capture, in samples from the trigger (-20,80)."),
                                     QStringLiteral("A,B"));
    parser.addOptions({simulate, mode, screenshot, page, interval, zoom, bus, position, cursors});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A data file (.ana) to open; without an instrument it is shown on its own analyzer page."),
                                 QStringLiteral("[FILE]"));

    ParsedOptions parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(help)) {
        parsed.help = true;
        parsed.helpText = parser.helpText();
        return parsed;
    }
    if (parser.positionalArguments().size() > 1) {
        parsed.error = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().at(1));
        return parsed;
    }

    AppOptions& o = parsed.options;
    if (parser.isSet(simulate)) {
        const QString model = parser.value(simulate);
        const sim::SimulatedModel* found = sim::findSimulatedModel(model.toStdString());
        if (!found) {
            parsed.error = QStringLiteral("no simulated instrument '%1' (1 to 13 or a model name)").arg(model);
            return parsed;
        }
        o.simulatedType = found->deviceType;
    }
    o.mode = parser.value(mode);
    o.screenshotFile = parser.value(screenshot);
    bool pageOk = false;
    o.page = parser.value(page).toInt(&pageOk);
    if (!pageOk || o.page < 0 || o.page > 3) {
        parsed.error = QStringLiteral("--page takes 0 to 3");
        return parsed;
    }
    o.interval = parser.value(interval);
    o.zoom = parser.value(zoom);
    o.bus = parser.value(bus);
    o.position = parser.value(position);
    if (!o.position.isEmpty() && !QStringList{QStringLiteral("左"), QStringLiteral("中央"), QStringLiteral("右")}.contains(o.position)) {
        parsed.error = QStringLiteral("--position takes 左, 中央 or 右");
        return parsed;
    }
    if (parser.isSet(cursors)) {
        const QStringList parts = parser.value(cursors).split(QLatin1Char(','));
        bool okA = false;
        bool okB = false;
        if (parts.size() == 2) {
            o.cursorAFromTrigger = parts[0].toInt(&okA);
            o.cursorBFromTrigger = parts[1].toInt(&okB);
        }
        if (!okA || !okB) {
            parsed.error = QStringLiteral("--cursors takes two sample counts: A,B");
            return parsed;
        }
        o.cursorsSet = true;
    }
    if (!parser.positionalArguments().isEmpty())
        o.dataFile = parser.positionalArguments().first();
    return parsed;
}

} // namespace seiran::app
