#pragma once

#include <QString>
#include <QStringList>

namespace seiran {

class FrontEnd;

// The message log under the pages: every part of the program reports progress and errors here,
// one line at a time. The lines are kept here; a front end, when attached, mirrors them.
class MessageLog {
public:
    void setFrontEnd(FrontEnd* frontEnd) { m_frontEnd = frontEnd; }

    // Appends one line (the window keeps the log scrolled to its end).
    void AddMessage(const QString& line);
    // Removes up to `count` lines from the end.
    void deleteLastLines(int count);
    // The last line, or an empty text when the log is empty.
    QString lastLine() const;

    const QStringList& lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }
    void clear();

private:
    QStringList m_lines;
    FrontEnd* m_frontEnd = nullptr;
};

} // namespace seiran
