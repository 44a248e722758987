// The spectrogram strip under the player's waveform: the clip's spectrogram computed on a worker
// thread, kept as an image at device resolution, with the waveform's cursor and mark painted over it
// at the same x. The strip follows the waveform picture (size, scrolling, repaints) by watching it,
// so the window only hands it each clip.
#pragma once

#include "spectrogram.h"
#include "waveform.h"

#include <QFrame>
#include <QImage>
#include <QPointer>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace zarn {

class WavePicture;

class SpectrogramStrip final : public QFrame {
    Q_OBJECT
public:
    explicit SpectrogramStrip(WavePicture* wave, QWidget* parent = nullptr);
    ~SpectrogramStrip() override;

    // The clip the waveform now shows and its layout: computed at once while the strip is on, else
    // when it is switched on. A computation still running for an earlier clip is dropped.
    void SetClip(const std::string& path, const WaveLayout& layout);
    // No clip: the picture is emptied and a running computation dropped.
    void Clear();
    void SetOn(bool on);
    bool On() const { return on_; }
    // A computation is running.
    bool Busy() const { return worker_.joinable() && !delivered_; }
    const QImage& Image() const { return image_; }

signals:
    // The picture of the current clip is ready.
    void ready();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Picture;
    void Start();
    void Cancel();
    void Follow();

    QPointer<WavePicture> wave_; // gone first when the window is taken down
    const QObject* watched_;     // the same, only compared: it may be on its way out
    Picture* picture_;
    std::string path_;
    WaveLayout layout_;
    bool on_ = false;
    QImage image_;
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    unsigned generation_ = 0;
    bool delivered_ = true;
};

} // namespace zarn
