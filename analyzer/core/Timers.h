#pragma once

#include <QString>

#include <array>

namespace seiran {

// The timers of the main window; every one starts stopped.
inline const QString kTimCheckEnd = QStringLiteral("timCheckEnd");
inline const QString kTimMoveCursor = QStringLiteral("timMoveCursor");
inline const QString kTimTestSeq = QStringLiteral("timTestSeq");
inline const std::array<QString, 4> kTimTrgStart{QStringLiteral("timTrgStart0"), QStringLiteral("timTrgStart1"),
                                                 QStringLiteral("timTrgStart2"), QStringLiteral("timTrgStart3")};

inline constexpr int kSignalRowHeight = 19; // rows of the signal grids are 20 pixels apart

} // namespace seiran
