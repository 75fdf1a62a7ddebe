#include "RecordingFrontEnd.h"

#include <algorithm>

namespace seiran {

void RecordingFrontEnd::record(EventKind kind, const QString& text, int number, const FileDialogRequest& dialog)
{
    m_events.push_back(Event{kind, text, number, dialog});
}

void RecordingFrontEnd::appendLogLine(const QString& line)
{
    record(EventKind::AppendLogLine, line);
    m_logLines.append(line);
}

void RecordingFrontEnd::deleteLastLogLines(int count)
{
    record(EventKind::DeleteLastLogLines, QString(), count);
    const int removed = std::clamp(count, 0, int(m_logLines.size()));
    m_logLines.remove(m_logLines.size() - removed, removed);
}

bool RecordingFrontEnd::askOkCancel(const QString& question)
{
    const bool ok = m_answers.isEmpty() ? m_defaultAnswer : m_answers.dequeue();
    record(EventKind::AskOkCancel, question, ok ? 1 : 0);
    return ok;
}

void RecordingFrontEnd::showError(const QString& message)
{
    record(EventKind::ShowError, message);
}

QString RecordingFrontEnd::chooseOpenFile(const FileDialogRequest& request)
{
    const QString path = m_openPaths.isEmpty() ? QString() : m_openPaths.dequeue();
    record(EventKind::ChooseOpenFile, path, 0, request);
    return path;
}

QString RecordingFrontEnd::chooseSaveFile(const FileDialogRequest& request)
{
    const QString path = m_savePaths.isEmpty() ? QString() : m_savePaths.dequeue();
    record(EventKind::ChooseSaveFile, path, 0, request);
    return path;
}

void RecordingFrontEnd::setClipboardText(const QString& text)
{
    record(EventKind::SetClipboardText, text);
    m_clipboard = text;
}

QString RecordingFrontEnd::clipboardText()
{
    record(EventKind::ReadClipboardText, m_clipboard);
    return m_clipboard;
}

void RecordingFrontEnd::requestRedraw(int page)
{
    record(EventKind::RequestRedraw, QString(), page);
    ++m_redraws[page];
}

QStringList RecordingFrontEnd::texts(EventKind kind) const
{
    QStringList result;
    for (const Event& event : m_events) {
        if (event.kind == kind)
            result.append(event.text);
    }
    return result;
}

int RecordingFrontEnd::count(EventKind kind) const
{
    return int(std::count_if(m_events.begin(), m_events.end(),
                             [kind](const Event& event) { return event.kind == kind; }));
}

int RecordingFrontEnd::redrawCount(int page) const
{
    const auto found = m_redraws.find(page);
    return found == m_redraws.end() ? 0 : found->second;
}

} // namespace seiran

namespace seiran {

void RecordingFrontEnd::showDownloadProgress(bool visible, int percent)
{
    record(EventKind::DownloadProgress, QString(), visible ? percent : -1);
}

std::vector<int> RecordingFrontEnd::downloadProgress() const
{
    std::vector<int> out;
    for (const Event& e : m_events)
        if (e.kind == EventKind::DownloadProgress)
            out.push_back(e.number);
    return out;
}

} // namespace seiran
