// What every window of the programs shares in how it looks and behaves: placing controls in twips,
// the fonts, the window grey, frames and labels, the help line at a window's foot, and placing a
// window again once the window manager has framed it.
#pragma once

#include "latin1.h"

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <unordered_map>

namespace zarn {

// The light grey of the picture and player windows.
inline const QColor kWindowGrey(192, 192, 192);

// A window's size in twips is its client area plus its frame: the borders, the caption and, for a
// window with a menu, the menu bar.
inline constexpr int kWindowFrameWidthTw = 120;
inline constexpr int kWindowFrameHeightTw = 390;
inline constexpr int kMenuBarHeightTw = 300;

// Places `w` inside its parent; negative sizes count as 0.
void SetTw(QWidget* w, int left, int top, int width, int height);

// Arial 8.25 pt, the font of the picture and player panels.
QFont PanelFont();
// Arial 8 pt, the font of the signal list's edit/add panel.
QFont EditPanelFont();
// Arial at `points`, bold when asked.
QFont ArialFont(double points, bool bold = false);

// Paints the window's background in the window grey, with greyed captions readable on it; the
// captions of disabled buttons too when asked.
void PaintWindowGrey(QWidget* window, bool greyDisabledButtons = false);

// A raised panel that groups controls.
QFrame* MakeFrame(QWidget* parent, const char* name);

// How a label looks: a sunken 3-D panel or flat text, where its caption sits, and optionally its
// font and a filled background.
struct LabelLook {
    bool sunken = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    std::optional<QFont> font;
    std::optional<QColor> background;

    LabelLook& Sunken() { return sunken = true, *this; }
    LabelLook& Align(Qt::Alignment a) { return align = a, *this; }
    LabelLook& Font(const QFont& f) { return font = f, *this; }
    LabelLook& Background(const QColor& c) { return background = c, *this; }
};
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, const LabelLook& look = {});

// The one-line help at a window's foot. A control attached to it puts its text there when the
// pointer enters or moves over it, and, when asked, when it takes the focus. A text function is
// asked at that moment; an empty answer leaves the line as it is.
class HelpLine : public QObject {
public:
    enum Trigger { Pointer = 1, Focus = 2 };
    explicit HelpLine(QLabel* line);

    void Attach(QWidget* control, const QString& text, int triggers = Pointer);
    void Attach(QWidget* control, std::function<QString()> text, int triggers = Pointer);
    // Shows `text` at once; the line is left alone when it already says so.
    void Show(const QString& text);
    QLabel* Line() const { return line_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        std::function<QString()> text;
        int triggers = Pointer;
    };
    QLabel* line_;
    std::unordered_map<const QObject*, Entry> entries_;
};

// Places a window at once and once more when the window manager has framed it on its first show:
// only then is the frame's size known, and placements that put the frame somewhere need it.
class FramedPlacement {
public:
    // Call when the window is shown; `place` runs when the frame is there, once per window. Without
    // a frame at all (the offscreen platform) it gives up quietly after `tries` looks 50 ms apart.
    void Shown(QWidget* window, std::function<void()> place, int tries = 40);

private:
    void Look(QWidget* window, std::function<void()> place, int tries);
    bool done_ = false;
};

} // namespace zarn
