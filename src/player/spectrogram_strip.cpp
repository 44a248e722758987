#include "spectrogram_strip.h"

#include "player_window.h"

#include <QEvent>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace zarn {

namespace {

// The mark is laid over the spectrogram translucent, so the spectrum shows through it.
const QColor kMarkOverColour(128, 128, 255, 110);
const QColor kCursorColour(255, 40, 40);
const QColor kEmptyColour(Qt::white);

} // namespace

// O_Spectro: the cached picture, the cursor and the mark on top.
class SpectrogramStrip::Picture final : public QWidget {
public:
    Picture(const SpectrogramStrip& strip, QWidget* parent) : QWidget(parent), strip_(strip) {
        setObjectName(QStringLiteral("O_Spectro"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QImage& image = strip_.image_;
        if (image.isNull())
            p.fillRect(rect(), kEmptyColour);
        else
            p.drawImage(rect(), image);
        if (!strip_.wave_) return;
        const WavePicture& wave = *strip_.wave_;
        const double perUnit = width() / wave.ScaleWidth();
        if (wave.box.visible) {
            const int l = static_cast<int>(std::floor(wave.box.left * perUnit));
            const int w = std::max(1, static_cast<int>(std::lround(wave.box.width * perUnit)));
            p.fillRect(l, 0, w, height(), kMarkOverColour);
        }
        if (wave.cursorVisible) {
            p.setPen(kCursorColour);
            const int x = static_cast<int>(std::lround(wave.cursorX * perUnit));
            p.drawLine(x, 0, x, height());
        }
    }

private:
    const SpectrogramStrip& strip_;
};

SpectrogramStrip::SpectrogramStrip(WavePicture* wave, QWidget* parent)
    : QFrame(parent), wave_(wave), watched_(wave), picture_(new Picture(*this, this)) {
    setObjectName(QStringLiteral("P_Spectro"));
    setFrameStyle(QFrame::NoFrame);
    wave->installEventFilter(this);
}

SpectrogramStrip::~SpectrogramStrip() {
    Cancel();
}

void SpectrogramStrip::SetClip(const std::string& path, const WaveLayout& layout) {
    path_ = path;
    layout_ = layout;
    image_ = QImage();
    picture_->update();
    Start();
}

void SpectrogramStrip::Clear() {
    Cancel();
    path_.clear();
    image_ = QImage();
    picture_->update();
}

void SpectrogramStrip::SetOn(bool on) {
    on_ = on;
    if (on && image_.isNull()) Start();
    if (!on) Cancel();
}

void SpectrogramStrip::Cancel() {
    if (cancel_) cancel_->store(true);
    // The worker looks at the flag between blocks of a few milliseconds' work.
    if (worker_.joinable()) worker_.join();
    cancel_.reset();
    delivered_ = true;
    ++generation_; // a result already on its way is dropped
}

void SpectrogramStrip::Start() {
    Cancel();
    if (!on_ || path_.empty() || !wave_) return;
    Follow();
    const qreal ratio = devicePixelRatioF();
    const auto columns = static_cast<std::int64_t>(std::lround(picture_->width() * ratio));
    const int rows = static_cast<int>(std::lround(picture_->height() * ratio));
    const SpectrogramGrid grid = GridUnderWaveform(layout_, columns, rows);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    delivered_ = false;
    const unsigned generation = generation_;
    // The strip outlives the thread (its destructor joins it), so the result can be queued to it.
    worker_ = std::thread([this, path = path_, grid, ratio, generation, cancel = cancel_] {
        SpectrogramImage s = ReadSpectrogram(path, grid, cancel.get());
        if (s.cancelled || cancel->load()) return;
        QImage image;
        if (s.width > 0 && s.height > 0) {
            // Opaque colours are the same premultiplied.
            image = QImage(s.width, s.height, QImage::Format_ARGB32_Premultiplied);
            for (int y = 0; y < s.height; ++y)
                std::memcpy(image.scanLine(y), s.pixels.data() + static_cast<std::size_t>(y) * s.width,
                            static_cast<std::size_t>(s.width) * sizeof(std::uint32_t));
            image.setDevicePixelRatio(ratio);
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, image = std::move(image)] {
                if (generation != generation_) return;
                delivered_ = true;
                image_ = image;
                picture_->update();
                emit ready();
            },
            Qt::QueuedConnection);
    });
}

// The picture has the waveform picture's width and left edge, so both share their x scale.
void SpectrogramStrip::Follow() {
    if (!wave_) return;
    picture_->setGeometry(wave_->x(), 0, wave_->width(), height());
}

void SpectrogramStrip::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Follow();
}

bool SpectrogramStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watched_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            Follow();
            break;
        case QEvent::Paint: // the cursor or the mark moved
            picture_->update();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace zarn
