#pragma once

#include "FrontEnd.h"

#include <cstdio>

namespace seiran::cli {

// The command-line front end: log lines go to standard output as UTF-8, one per line, as they
// are written; questions are answered with the choice given on the command line.
class CliFrontEnd final : public FrontEnd {
public:
    explicit CliFrontEnd(std::FILE* out = stdout, bool answerOk = true)
        : m_out(out), m_answerOk(answerOk) {}

    void appendLogLine(const QString& line) override;
    void deleteLastLogLines(int count) override;
    bool askOkCancel(const QString& question) override;
    void showError(const QString& message) override;
    QString chooseOpenFile(const FileDialogRequest&) override { return {}; }
    QString chooseSaveFile(const FileDialogRequest&) override { return {}; }
    void setClipboardText(const QString& text) override { m_clipboard = text; }
    QString clipboardText() override { return m_clipboard; }
    void requestRedraw(int) override {}
    void showDownloadProgress(bool, int) override {}

private:
    std::FILE* m_out;
    bool m_answerOk;
    QString m_clipboard;
};

} // namespace seiran::cli
