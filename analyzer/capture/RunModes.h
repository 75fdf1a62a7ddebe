#pragma once

#include <QString>

namespace seiran {

// Run modes of the analyzer pages, compared as exact texts.
inline const QString kRunSingle = QStringLiteral("シングル");
inline const QString kRunOverwrite = QStringLiteral("上書");
inline const QString kRunRepeat = QStringLiteral("リピート");
inline const QString kRunRepeatSave = QStringLiteral("リピート保存");
inline const QString kRunCompare = QStringLiteral("波形比較");

// Trigger positions.
inline const QString kPositionLeft = QStringLiteral("左");
inline const QString kPositionCentre = QStringLiteral("中央");
inline const QString kPositionRight = QStringLiteral("右");

} // namespace seiran
