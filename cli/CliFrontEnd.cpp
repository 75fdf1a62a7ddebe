#include "CliFrontEnd.h"

namespace seiran::cli {

void CliFrontEnd::appendLogLine(const QString& line)
{
    std::fputs(line.toUtf8().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void CliFrontEnd::deleteLastLogLines(int)
{
    // Printed lines stay printed; the log model itself drops them.
}

bool CliFrontEnd::askOkCancel(const QString& question)
{
    std::fprintf(m_out, "%s %s\n", question.toUtf8().constData(), m_answerOk ? "OK" : "Cancel");
    return m_answerOk;
}

void CliFrontEnd::showError(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
}

} // namespace seiran::cli
