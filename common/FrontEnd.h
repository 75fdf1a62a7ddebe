#pragma once

#include <QString>
#include <QStringList>

namespace seiran {

// What a file dialog is asked for: the caption, a preset folder and name, and the filters
// ("解析データ (*.ana)" style, one entry a filter) with the one chosen first.
struct FileDialogRequest {
    QString caption;
    QString folder;
    QString fileName;
    QStringList filters;
    int filterIndex = 0;
    QString defaultSuffix;
};

// Everything the core needs from a user interface. The Qt window implements it; seiran-cli
// prints; tests use RecordingFrontEnd. Calls arrive on the thread that drives the core.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // The message log under the pages.
    virtual void appendLogLine(const QString& line) = 0;
    virtual void deleteLastLogLines(int count) = 0;

    // A modal OK/Cancel question; true for OK.
    virtual bool askOkCancel(const QString& question) = 0;
    // A modal error box (file and conversion errors).
    virtual void showError(const QString& message) = 0;

    // File dialogs; an empty result means the user cancelled.
    virtual QString chooseOpenFile(const FileDialogRequest& request) = 0;
    virtual QString chooseSaveFile(const FileDialogRequest& request) = 0;

    virtual void setClipboardText(const QString& text) = 0;
    virtual QString clipboardText() = 0;

    // The picture of a page (0 to 9) is out of date.
    virtual void requestRedraw(int page) = 0;

    // The download window was shown, hidden or its bar (0 to 100) moved; it is repainted at once,
    // since the download blocks the event loop.
    virtual void showDownloadProgress(bool visible, int percent) = 0;
};

} // namespace seiran
