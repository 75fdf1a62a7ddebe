#include "RepeatCompare.h"

#include "capture/Compare.h"
#include "core/AnalyzerState.h"
#include "files/AnalyzerFile.h"

#include <QDir>
#include <QFileInfo>

namespace seiran {

namespace {

// A free path in the folder for the name: name.ana, else name(2).ana ... name(100).ana; empty
// when every one of them is taken.
QString freeSavePath(const QDir& folder, const QString& name)
{
    const QString plain = folder.filePath(name + QStringLiteral(".ana"));
    if (!QFileInfo::exists(plain))
        return plain;
    for (int k = 2; k <= kAutoSaveMaxSuffix; ++k) {
        const QString path = folder.filePath(name + QLatin1Char('(') + QString::number(k) + QStringLiteral(").ana"));
        if (!QFileInfo::exists(path))
            return path;
    }
    return {};
}

} // namespace

QString AutoSaveBaseName(const AnalyzerState& state, int page)
{
    QString name = state.timeStamp();
    name.replace(QLatin1Char(':'), QChar(0xFF1A)); // "："
    name.replace(QLatin1Char('/'), QChar(0xFF0F)); // "／"
    if (state.repeatSave.numbered)
        name.prepend(QLatin1Char('(') + QString::number(state.pages[std::size_t(page)].repeatCount) + QStringLiteral(") "));
    return name;
}

QString AutoSaveFolderLine(const AnalyzerState& state)
{
    return QStringLiteral("測定データを") + QDir::toNativeSeparators(state.repeatSave.folder)
        + QStringLiteral("に自動保存します。");
}

void AutoSaveCapture(AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const std::uint32_t limit = state.repeatSave.count;
    if (limit != 0 && std::uint32_t(p.repeatCount) > limit)
        return;
    const QString& folderText = state.repeatSave.folder;
    const QDir folder(folderText);
    if (folderText.isEmpty() || !folder.exists()) {
        state.log.AddMessage(QStringLiteral("フォルダ") + folderText + QStringLiteral("がありません。"));
        return;
    }
    const QString name = AutoSaveBaseName(state, page);
    const QString path = freeSavePath(folder, name);
    if (path.isEmpty()) {
        // Writing over an earlier capture would lose it: this one is skipped instead.
        state.log.AddMessage(QStringLiteral("保存できません。ファイル名") + name + QStringLiteral("(2)～(")
                             + QString::number(kAutoSaveMaxSuffix) + QStringLiteral(").anaが全て使われています。"));
        return;
    }
    // Like Save As: the page's later saves (Ctrl+S) go to the file of its last capture.
    state.controls.pageFileName[std::size_t(page)] = path;
    const QStringList lines{kSeiranHeader, p.compressed ? kVersion54 : kVersion50};
    WriteAnalyzerFile(state, page, lines, path);
}

bool CompareCapture(AnalyzerState& state, int page)
{
    return state.pages[std::size_t(page)].compressed ? CompareRecords(state, page) : CompareBitPlanes(state, page);
}

} // namespace seiran
