#include "progress_window.h"

#include "latin1.h"
#include "window_chrome.h"

#include <QApplication>
#include <QGroupBox>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace zarn {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("loading"));
    setWindowTitle(QStringLiteral("ZARN Audio Playback32"));
    setFixedSize(Px(5400), Px(1300));

    frame_ = new QGroupBox(QStringLiteral(" Please Wait ... "), this);
    frame_->setObjectName(QStringLiteral("Frame3D1"));
    frame_->setFont(ArialFont(10));
    panel_ = new QFrame(frame_);
    panel_->setObjectName(QStringLiteral("Panel3D1"));
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    gauge_ = new QProgressBar(panel_);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);

    auto* panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(Px(45), Px(45), Px(45), Px(45));
    panelLayout->addWidget(gauge_);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->addWidget(panel_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Px(120), Px(90), Px(120), Px(120));
    outer->addWidget(frame_);
}

void ProgressWindow::SetActivity(const std::string& caption) {
    frame_->setTitle(Qs(caption));
}

void ProgressWindow::SetPercent(int percent) {
    constexpr qint64 kFrameMs = 25;
    if (lastFrame_.isValid() && lastFrame_.elapsed() < kFrameMs && percent < gauge_->maximum()) {
        // The value is taken now and shown with the next frame (the gauge repaints itself at once
        // on every change otherwise).
        gauge_->setUpdatesEnabled(false);
        gauge_->setValue(percent);
        gauge_->setUpdatesEnabled(true);
        return;
    }
    gauge_->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    lastFrame_.start();
}

void ProgressWindow::showEvent(QShowEvent* event) {
    // Centred on the screen each time it comes up.
    if (const QScreen* s = screen()) {
        const QRect r = s->geometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    QWidget::showEvent(event);
}

void ProgressWindow::Reset() {
    gauge_->setValue(0);
    lastFrame_.invalidate();
}

} // namespace zarn
