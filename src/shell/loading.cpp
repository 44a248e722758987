#include "loading.h"

#include "latin1.h"

#include <QApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace zarn {

loading::loading(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("loading"));
    setWindowTitle(QStringLiteral("ZARN Audio Playback32"));
    setFixedSize(Px(5400), Px(1300));

    Frame3D1 = new QGroupBox(QStringLiteral(" Please Wait ... "), this);
    Frame3D1->setObjectName(QStringLiteral("Frame3D1"));
    Frame3D1->setFont(QFont(QStringLiteral("Arial"), 10));
    Panel3D1 = new QFrame(Frame3D1);
    Panel3D1->setObjectName(QStringLiteral("Panel3D1"));
    Panel3D1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Gauge1 = new QProgressBar(Panel3D1);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);

    auto* panelLayout = new QVBoxLayout(Panel3D1);
    panelLayout->setContentsMargins(Px(45), Px(45), Px(45), Px(45));
    panelLayout->addWidget(Gauge1);
    auto* frameLayout = new QVBoxLayout(Frame3D1);
    frameLayout->addWidget(Panel3D1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Px(120), Px(90), Px(120), Px(120));
    outer->addWidget(Frame3D1);
}

void loading::SetActivity(const std::string& caption) {
    Frame3D1->setTitle(Qs(caption));
}

void loading::SetPercent(int percent) {
    Gauge1->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void loading::showEvent(QShowEvent* event) {
    // Centred on the screen each time it comes up.
    if (const QScreen* s = screen()) {
        const QRect r = s->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    QWidget::showEvent(event);
}

} // namespace zarn
