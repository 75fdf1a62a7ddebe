#pragma once

// A state object with analyzer modules set up by hand, for the data file tests.

#include "SetupFixture.h"
#include "Cp932Text.h"
#include "setup/AnalyzerPageModule.h"
#include "view/PageState.h"

#include <QDir>


namespace seiran::filestest {

class FilesFixture : public setuptest::SetupFixture {
public:
    FilesFixture() : SetupFixture(11) {}

    // Gives `page` an analyzer module in `slot` and sets the page to its defaults.
    PageState& setPage(int page, int slot, int channels, int depth, bool compressed, int banks = 1)
    {
        return SetAnalyzerPageModule(state, page, slot, {channels, depth, compressed, banks});
    }

    QString path(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QStringList read(const QString& name) const { return readCp932Lines(path(name)).lines; }
    static QString data(const char* name) { return QStringLiteral(SEIRAN_TEST_DATA_DIR "/") + QLatin1String(name); }
    const QStringList& log() const { return state.log.lines(); }
};

} // namespace seiran::filestest
