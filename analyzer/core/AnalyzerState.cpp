#include "core/AnalyzerState.h"

#include "FrontEnd.h"
#include "capture/Compare.h"
#include "view/PageLists.h"

#include <QCoreApplication>
#include <QDir>

namespace seiran {

AnalyzerState::AnalyzerState(Clock& clock, FrontEnd& frontEnd, QString programFolder)
    : ProgramFolder(std::move(programFolder))
    , m_clock(clock)
    , m_frontEnd(frontEnd)
{
    log.setFrontEnd(&frontEnd);
    repeatSave.folder = QDir(QDir::homePath()).filePath(QStringLiteral("tobira_work"));
}

AnalyzerState::~AnalyzerState() = default;

int AnalyzerState::pageClockPeriod(int page) const
{
    const int module = pages[std::size_t(page)].PageModule;
    if (module < kFirstBuiltInSlot)
        return settings.IpClockPeriod;
    return IsGeneratorPage(page) ? instrument.GeneratorClockPeriod() : instrument.AnalyzerClockPeriod();
}

QString AnalyzerState::intervalText(int page) const
{
    return IntervalText(pageClockPeriod(page), pages[std::size_t(page)].intervalIndex);
}

QString AnalyzerState::timeStamp() const
{
    // The short date and long time of the log lines.
    return wallClock().toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QString defaultProgramFolder()
{
    const QByteArray home = qgetenv("SEIRAN_HOME");
    if (!home.isEmpty())
        return QString::fromLocal8Bit(home);
    return QCoreApplication::applicationDirPath();
}

} // namespace seiran
