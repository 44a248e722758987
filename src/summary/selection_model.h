// The selection in the summary picture as the other windows share it: the selected clip, the clip
// the player highlights, and the signal's bandwidth and list status that both the picture and the
// player find.
#pragma once

#include <QObject>

#include <string>

namespace zarn {

class SelectionModel final : public QObject {
    Q_OBJECT
public:
    explicit SelectionModel(QObject* parent = nullptr) : QObject(parent) {}

    // From 1; 0 = none.
    int SelectedClip() const { return selectedClip_; }
    void SetSelectedClip(int clip) { selectedClip_ = clip; }

    // The clip the player is on, framed in the picture; 0 = none.
    int HighlightedClip() const { return highlightedClip_; }
    void SetHighlightedClip(int clip) {
        highlightedClip_ = clip;
        emit highlightedClipChanged(clip);
    }

    // "IFBW: ..." of the selected signal.
    const std::string& IfbwText() const { return ifbwText_; }
    void SetIfbwText(const std::string& text) {
        ifbwText_ = text;
        emit ifbwTextChanged(text);
    }
    // The signal list's entry of the selected signal, or the no-signal mark.
    const std::string& StatusText() const { return statusText_; }
    void SetStatusText(const std::string& text) {
        statusText_ = text;
        emit statusTextChanged(text);
    }

signals:
    void highlightedClipChanged(int clip);
    void ifbwTextChanged(const std::string& text);
    void statusTextChanged(const std::string& text);

private:
    int selectedClip_ = 0;
    int highlightedClip_ = 0;
    std::string ifbwText_;
    std::string statusText_;
};

} // namespace zarn
