// The progress window: an activity text and a 0-100 gauge, shown while a file is opened and read.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <string>

class QFrame;
class QGroupBox;
class QProgressBar;

namespace zarn {

class ProgressWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    // The activity text is the frame's caption.
    void SetActivity(const std::string& caption);
    // Sets the gauge and lets the window repaint (user input waits until the work is done). The
    // repaint comes at most once a frame time: a load reports a hundred steps within milliseconds,
    // and painting each one cost more than the load itself.
    void SetPercent(int percent);

    // Back to an empty gauge, without repainting.
    void Reset();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* frame_;
    QFrame* panel_;
    QProgressBar* gauge_;
    QElapsedTimer lastFrame_; // since the last repaint; not started before the first
};

} // namespace zarn
