#pragma once

#include "FrontEnd.h"

namespace seiran {

// A front end that shows nothing and answers OK: for work done out of the user's sight (the
// command line's look at a file before it opens it, fuzz targets) and for benchmarks, where
// recording would measure the recorder.
class NullFrontEnd final : public FrontEnd {
public:
    void appendLogLine(const QString&) override {}
    void deleteLastLogLines(int) override {}
    bool askOkCancel(const QString&) override { return true; }
    void showError(const QString&) override {}
    QString chooseOpenFile(const FileDialogRequest&) override { return {}; }
    QString chooseSaveFile(const FileDialogRequest&) override { return {}; }
    void setClipboardText(const QString&) override {}
    QString clipboardText() override { return {}; }
    void requestRedraw(int) override {}
    void showDownloadProgress(bool, int) override {}
};

} // namespace seiran
