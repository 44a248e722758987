#include "window_chrome.h"

#include <QEvent>
#include <QPalette>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace zarn {

void SetTw(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(std::max(width, 0)), Px(std::max(height, 0)));
}

QFont ArialFont(double points, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont PanelFont() {
    return ArialFont(8.25);
}

QFont EditPanelFont() {
    return QFont(QStringLiteral("Arial"), 8);
}

void PaintWindowGrey(QWidget* window, bool greyDisabledButtons) {
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, kWindowGrey);
    // Greyed captions must stay readable on the grey window.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        pal.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    if (greyDisabledButtons) pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
}

QFrame* MakeFrame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return f;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const LabelLook& look) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    if (look.sunken) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(look.align);
    if (look.font) l->setFont(*look.font);
    if (look.background) {
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, *look.background);
        l->setPalette(p);
    }
    return l;
}

HelpLine::HelpLine(QLabel* line) : QObject(line), line_(line) {}

void HelpLine::Attach(QWidget* control, const QString& text, int triggers) {
    Attach(control, [text] { return text; }, triggers);
}

void HelpLine::Attach(QWidget* control, std::function<QString()> text, int triggers) {
    entries_[control] = Entry{std::move(text), triggers};
    if (triggers & Pointer) control->setMouseTracking(true);
    control->installEventFilter(this);
    connect(control, &QObject::destroyed, this, [this](QObject* gone) { entries_.erase(gone); });
}

void HelpLine::Show(const QString& text) {
    if (line_->text() != text) line_->setText(text);
}

bool HelpLine::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const int trigger = type == QEvent::Enter || type == QEvent::MouseMove ? Pointer
                        : type == QEvent::FocusIn                          ? Focus
                                                                           : 0;
    if (trigger == 0) return false;
    const auto it = entries_.find(watched);
    if (it == entries_.end() || !(it->second.triggers & trigger)) return false;
    if (const QString text = it->second.text(); !text.isEmpty()) Show(text);
    return false;
}

void FramedPlacement::Shown(QWidget* window, std::function<void()> place, int tries) {
    if (!done_) Look(window, std::move(place), tries);
}

void FramedPlacement::Look(QWidget* window, std::function<void()> place, int tries) {
    if (done_) return;
    if (window->frameGeometry() != window->geometry()) {
        done_ = true;
        place();
        return;
    }
    if (tries > 0)
        QTimer::singleShot(50, window, [this, window, place = std::move(place), tries]() mutable {
            Look(window, std::move(place), tries - 1);
        });
}

} // namespace zarn
