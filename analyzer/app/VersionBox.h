#pragma once

#include <QDialog>

namespace seiran::app {

// The version box ("バージョン情報") of the information menu: the program icon, the product name
// and the version, with an OK button.
class VersionBox final : public QDialog {
    Q_OBJECT
public:
    explicit VersionBox(QWidget* parent = nullptr);
};

inline const QString kProductName = QStringLiteral("セイラン");
inline const QString kVersionText = QStringLiteral("Version 5.40");

} // namespace seiran::app
