// seiran-make-config: writes the simulated instruments' configuration files (.ttf) into the
// folder given, the program folder of the build.

#include "Cp932Text.h"
#include "SimConfigImage.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <cstdio>

using namespace seiran;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seiran-make-config OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "seiran-make-config: cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const sim::SimConfiguration& config : sim::simConfigurations()) {
        const QString name = QString::fromLatin1(config.baseName.data(), qsizetype(config.baseName.size()));
        const std::optional<sim::ConfigurationImage> image = sim::buildConfigurationImage(config);
        if (!image) {
            std::fprintf(stderr, "seiran-make-config: %s: %d lines cannot carry the sum %lld\n",
                         name.toLatin1().constData(), config.dataLines, static_cast<long long>(config.checkSum));
            ++failures;
            continue;
        }
        QStringList lines;
        for (const std::string& line : sim::configurationFileLines(*image))
            lines << QString::fromLatin1(line.data(), qsizetype(line.size()));
        const QString path = folder.filePath(name + QStringLiteral(".ttf"));
        const TextFileError error = writeCp932Lines(path, lines);
        if (!error.ok()) {
            std::fprintf(stderr, "seiran-make-config: cannot write %s: %s\n", path.toLocal8Bit().constData(),
                         error.detail.toLocal8Bit().constData());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
