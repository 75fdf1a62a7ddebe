#pragma once

#include "FrontEnd.h"

#include <QQueue>

#include <map>
#include <vector>

namespace seiran {

// A front end for tests: remembers every call in order and answers questions and file dialogs
// from queues the test fills beforehand.
class RecordingFrontEnd final : public FrontEnd {
public:
    enum class EventKind {
        AppendLogLine,      // text: the line
        DeleteLastLogLines, // number: the count
        AskOkCancel,        // text: the question, number: the answer (1 OK, 0 Cancel)
        ShowError,          // text: the message
        ChooseOpenFile,     // text: the path answered, dialog: the request
        ChooseSaveFile,     // text: the path answered, dialog: the request
        SetClipboardText,   // text: the new clipboard text
        ReadClipboardText,  // text: the clipboard text handed out
        RequestRedraw,      // number: the page
        DownloadProgress,   // number: the percentage, -1 when the window is hidden
    };

    struct Event {
        EventKind kind;
        QString text;
        int number = 0;
        FileDialogRequest dialog;
    };

    void appendLogLine(const QString& line) override;
    void deleteLastLogLines(int count) override;
    bool askOkCancel(const QString& question) override;
    void showError(const QString& message) override;
    QString chooseOpenFile(const FileDialogRequest& request) override;
    QString chooseSaveFile(const FileDialogRequest& request) override;
    void setClipboardText(const QString& text) override;
    QString clipboardText() override;
    void requestRedraw(int page) override;
    void showDownloadProgress(bool visible, int percent) override;

    // Answers for the next questions; once the queue is empty, the default answer.
    void queueAnswer(bool ok) { m_answers.enqueue(ok); }
    void setDefaultAnswer(bool ok) { m_defaultAnswer = ok; }
    // Paths for the next dialogs; once the queue is empty, the dialog is cancelled.
    void queueOpenPath(const QString& path) { m_openPaths.enqueue(path); }
    void queueSavePath(const QString& path) { m_savePaths.enqueue(path); }

    const std::vector<Event>& events() const { return m_events; }
    // The texts of all events of one kind, in order (for example every error shown).
    QStringList texts(EventKind kind) const;
    int count(EventKind kind) const;
    void clearEvents() { m_events.clear(); }

    // The log as the window would show it.
    const QStringList& logLines() const { return m_logLines; }
    QString clipboard() const { return m_clipboard; }
    int redrawCount(int page) const;
    // The percentages the download window showed, in order (-1 for each hide).
    std::vector<int> downloadProgress() const;

private:
    void record(EventKind kind, const QString& text, int number = 0, const FileDialogRequest& dialog = {});

    std::vector<Event> m_events;
    QStringList m_logLines;
    QQueue<bool> m_answers;
    bool m_defaultAnswer = true;
    QQueue<QString> m_openPaths;
    QQueue<QString> m_savePaths;
    QString m_clipboard;
    std::map<int, int> m_redraws;
};

} // namespace seiran
