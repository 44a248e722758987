// Small pieces the forms share: placing a control in twips, the panels' font, a raised frame.
#pragma once

#include "latin1.h"

#include <QFont>
#include <QFrame>
#include <QWidget>

#include <algorithm>

namespace zarn {

// Places `w` inside its parent; negative sizes count as 0.
inline void SetTw(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Px(left), Px(top), Px(std::max(width, 0)), Px(std::max(height, 0)));
}

// Arial 8.25 pt, the font of the picture and player panels.
inline QFont PanelFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8.25);
    return f;
}

// A raised panel that groups controls.
inline QFrame* MakeFrame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return f;
}

} // namespace zarn
