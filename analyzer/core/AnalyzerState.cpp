#include "core/AnalyzerState.h"

#include "FrontEnd.h"

#include <QCoreApplication>

namespace seiran {

AnalyzerState::AnalyzerState(Clock& clock, FrontEnd& frontEnd, QString programFolder)
    : ProgramFolder(std::move(programFolder))
    , m_clock(clock)
    , m_frontEnd(frontEnd)
{
    log.setFrontEnd(&frontEnd);
}

QString defaultProgramFolder()
{
    const QByteArray home = qgetenv("SEIRAN_HOME");
    if (!home.isEmpty())
        return QString::fromLocal8Bit(home);
    return QCoreApplication::applicationDirPath();
}

} // namespace seiran
