#include "SplashForm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace seiran::app {

SplashForm::SplashForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_text(new QLabel(QStringLiteral("ロジックアナライザ回路をダウンロードしています。"), this))
    , m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("TSplashForm"));
    setWindowTitle(QStringLiteral("ダウンロード"));
    setModal(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(12);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

int SplashForm::progress() const { return m_bar->value(); }

void SplashForm::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void SplashForm::showProgress(bool visible, int percent)
{
    m_bar->setValue(percent);
    if (!visible) {
        hide();
        return;
    }
    if (!isVisible()) {
        centreOnScreen();
        show();
        // A window just shown is mapped by the window system first; only paint and window system
        // events are taken here, so no user input or timer runs inside the blocked download.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    }
    repaint();
    m_painted.push_back(percent);
}

} // namespace seiran::app
