#include "files/FileMenu.h"

#include "core/AnalyzerState.h"
#include "files/DataFile.h"
#include "view/Pages.h"

namespace seiran {

namespace {

// The filters of the two dialogs; "filter 1" of a preset is the first entry.
const QStringList kSaveFilters = {
    QStringLiteral("ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"),
    QStringLiteral("波形発生ﾌｧｲﾙ(*.gen)"),
    QStringLiteral("ﾌﾟﾛﾄｺﾙﾃﾞｰﾀﾌｧｲﾙ(*.doc)"),
    QStringLiteral("ｴｸｾﾙ用ﾌｧｲﾙ(*.csv)"),
    QStringLiteral("Memory Initialization File(*.mif)"),
    QStringLiteral("すべてのﾌｧｲﾙ (*.*)"),
};
const QStringList kOpenFilters = {
    QStringLiteral("ﾛｼﾞｱﾅﾌｧｲﾙ (*.ana)"),
    QStringLiteral("波形発生ﾌｧｲﾙ(*.gen)"),
    QStringLiteral("ﾌﾟﾛﾄｺﾙﾃﾞｰﾀﾌｧｲﾙ(*.doc)"),
    QStringLiteral("すべてのﾌｧｲﾙ (*.*)"),
};

struct Kind {
    const char* extension;
    int filterIndex;
};

Kind kindOf(int page)
{
    if (IsGeneratorPage(page))
        return {"gen", 1};
    if (page == kProtocolPage)
        return {"doc", 2};
    return {"ana", 0};
}

FileDialogRequest preset(int page, const QStringList& filters, bool withSuffix)
{
    const Kind kind = kindOf(page);
    FileDialogRequest r;
    r.fileName = QStringLiteral("*.") + QLatin1String(kind.extension);
    r.filters = filters;
    r.filterIndex = kind.filterIndex;
    if (withSuffix)
        r.defaultSuffix = QLatin1String(kind.extension);
    return r;
}

QString& fileNameOf(AnalyzerState& state, int page) { return state.controls.pageFileName[std::size_t(page)]; }

} // namespace

bool PageHasDataFile(int page) { return IsAnalyzerPage(page); }

FileDialogRequest SaveDialogPreset(int page) { return preset(page, kSaveFilters, true); }

FileDialogRequest OpenDialogPreset(int page) { return preset(page, kOpenFilters, false); }

bool mnuSaveClick(AnalyzerState& state)
{
    const int page = state.controls.currentPage;
    if (!PageHasDataFile(page))
        return false;
    const QString& name = fileNameOf(state, page);
    if (name.isEmpty())
        return mnuSaveAsClick(state);
    return SaveDataFile(state, page, name);
}

bool mnuSaveAsClick(AnalyzerState& state)
{
    const int page = state.controls.currentPage;
    if (!PageHasDataFile(page))
        return false;
    const QString chosen = state.frontEnd().chooseSaveFile(SaveDialogPreset(page));
    if (chosen.isEmpty())
        return false;
    fileNameOf(state, page) = chosen;
    state.controls.fileCaption = chosen;
    return SaveDataFile(state, page, chosen);
}

bool mnuOpenClick(AnalyzerState& state)
{
    const int page = state.controls.currentPage;
    if (!PageHasDataFile(page))
        return false;
    if (RefuseLoadWhileRunning(state, page))
        return false;
    const QString chosen = state.frontEnd().chooseOpenFile(OpenDialogPreset(page));
    if (chosen.isEmpty())
        return false;
    fileNameOf(state, page) = chosen;
    state.controls.fileCaption = chosen;
    return OpenDataFile(state, page, chosen).loaded;
}

} // namespace seiran
