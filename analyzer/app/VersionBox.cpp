#include "VersionBox.h"

#include "ProgramIcon.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace seiran::app {

VersionBox::VersionBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VersionBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIconPixmap(48));
    auto* product = new QLabel(kProductName, this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setPixelSize(big.pixelSize() > 0 ? big.pixelSize() + 5 : 18);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(kVersionText, this);
    version->setObjectName(QStringLiteral("Version"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->setHorizontalSpacing(18);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(product, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2, Qt::AlignCenter);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

} // namespace seiran::app
