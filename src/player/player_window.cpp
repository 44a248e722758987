#include "player_window.h"

#include "config.h"
#include "dates.h"
#include "formats.h"
#include "picture.h"
#include "window_chrome.h"
#include "latin1.h"
#include "numbers.h"
#include "paths.h"
#include "signal_list_model.h"
#include "signal_bands.h"
#include "sound_wave_control.h"
#include "spectrogram_strip.h"
#include "speed_stretch.h"
#include "user_preferences.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// The window is fixed at 4985 x 5390 twips; its client area below the menu is 4860 x 4695.
constexpr int kClientWidthTw = 4860;
constexpr int kClientHeightTw = 4695;
constexpr int kWindowWidthTw = 4985;
// Placement without a remembered place: near the top right corner of the summary window.
constexpr int kBelowSummaryTopTw = 450;
constexpr int kFromSummaryRightTw = 510;
constexpr int kCursorIntervalMs = 150;

constexpr const char* kWindowCaption = "Play_Audio Clip";
constexpr const char* kSilentText = "No audio output on this machine: clips play silently";
constexpr const char* kCopyWaveTitle = "Copy ... Audio Clip";
constexpr const char* kDisplaySwitchTitle = "WAV Display";

// The playback speed is the operator's, like the recent files: it lives in the user's
// configuration folder, not in the station's files.
constexpr const char* kPlaySpeedKey = "PlaySpeed";

const QColor kWaveColour(0, 0, 255);       // colour 9 of the 16-colour palette
const QColor kMarkColour(128, 128, 255);   // S_Clip
const QColor kCursorColour(200, 0, 0);     // Line1
const QColor kListedColour(255, 255, 0);   // P_Comment agrees with the list
const QColor kEditedColour(255, 255, 255); // P_Comment edited since

// An attribute's caption, right aligned before its value.
QLabel* MakeCaption(QWidget* parent, const char* name, const char* caption) {
    return MakeLabel(parent, name, QLatin1String(caption), LabelLook().Align(Qt::AlignVCenter | Qt::AlignRight));
}

// An attribute's value: a sunken white panel.
QLabel* MakeValue(QWidget* parent, const char* name) {
    return MakeLabel(parent, name, QString(), LabelLook().Sunken().Align(Qt::AlignCenter).Background(Qt::white));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// The send button's glyph: a letter going into a mailbox.
QIcon MailboxIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(70, 110, 190));
    p.drawRoundedRect(QRectF(4, 12, 22, 14), 5, 5); // the box
    p.drawRect(QRectF(13, 26, 3, 5));               // its post
    p.setBrush(QColor(220, 40, 40));
    p.drawRect(QRectF(24, 6, 2.5, 10)); // the flag
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 4, 12, 8)); // the letter
    p.drawLine(QPointF(7, 4), QPointF(13, 9));
    p.drawLine(QPointF(19, 4), QPointF(13, 9));
    return QIcon(pm);
}

// A button the operator can click: enabled and not hidden.
bool Clickable(const QWidget* button) {
    return button->isEnabled() && !button->isHidden();
}

void SetTextColour(QWidget* w, ButtonColour colour) {
    const QRgb rgb = ButtonRgb(colour);
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(g, QPalette::ButtonText, QColor(rgb));
    w->setPalette(p);
}

MouseButton ToMouseButton(Qt::MouseButton b) {
    if (b == Qt::LeftButton) return MouseButton::Left;
    if (b == Qt::RightButton) return MouseButton::Right;
    return MouseButton::Other;
}

// The signal list's changes made through the window's model, so the view follows them.
class ModelEdits final : public SignalListEdits {
public:
    explicit ModelEdits(SignalListModel& model) : model_(model) {}
    const SignalList& List() const override { return model_.List(); }
    void RemoveAt(int index) override { model_.RemoveAt(index); }
    bool InsertAt(int index, std::string line) override { return model_.InsertAt(index, std::move(line)); }

private:
    SignalListModel& model_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// O_WAV

WavePicture::WavePicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void WavePicture::SetWave(std::vector<WaveColumn> pixels, double scaleWidth) {
    pixels_ = std::move(pixels);
    scaleWidth_ = scaleWidth > 0 ? scaleWidth : 1;
    update();
}

void WavePicture::Clear() {
    pixels_.clear();
    update();
}

double WavePicture::UnitOfPixel(int x) const {
    // The pointer is read at the middle of its pixel.
    return (x + 0.5) * scaleWidth_ / std::max(1, width());
}

void WavePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const double perUnit = width() / scaleWidth_;
    if (box.visible) {
        const int l = static_cast<int>(std::floor(box.left * perUnit));
        const int w = std::max(1, static_cast<int>(std::lround(box.width * perUnit)));
        p.fillRect(l, 0, w, height(), kMarkColour);
    }
    if (!pixels_.empty()) {
        // The columns are drawn on the screen's own pixels: a high-density screen gets a column
        // per device pixel, one pixel wide, rather than widget pixels scaled up.
        const qreal ratio = devicePixelRatioF();
        p.save();
        p.scale(1 / ratio, 1 / ratio);
        // y = 255 at the top edge, -1 at the bottom edge.
        const double perLevel = height() * ratio / 256.0;
        const double perPixel = width() * ratio / static_cast<double>(pixels_.size());
        p.setPen(kWaveColour);
        for (std::size_t i = 0; i < pixels_.size(); ++i) {
            const int x = static_cast<int>(static_cast<double>(i) * std::min(perPixel, 1.0e9));
            const int top = static_cast<int>((255 - pixels_[i].max) * perLevel);
            const int bottom = static_cast<int>((255 - pixels_[i].min) * perLevel);
            p.drawLine(x, top, x, std::max(top, bottom));
        }
        p.restore();
    }
    if (cursorVisible) {
        p.setPen(kCursorColour);
        const int x = static_cast<int>(std::lround(cursorX * perUnit));
        p.drawLine(x, 0, x, height());
    }
}

void WavePicture::mousePressEvent(QMouseEvent* event) {
    if (onPress) onPress(event->button(), UnitOfPixel(static_cast<int>(event->position().x())));
}

// ---------------------------------------------------------------------------------------------
// The window

PlayerWindow::PlayerWindow(Models models, Prompter& prompter, PlayerSetup setup, QWidget* parent)
    : QMainWindow(parent), models_(models), prompter_(prompter), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("Playing"));
    setWindowTitle(QLatin1String(kWindowCaption));
    BuildWindow();
    // The cursor timer is the window's child, so tools and tests find it by name like the controls.
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setParent(this);
    timer1_.setInterval(kCursorIntervalMs);
    connect(&timer1_, &QTimer::timeout, this, &PlayerWindow::Timer1_Timer);
    wave_ = setup_.makeWaveControl ? setup_.makeWaveControl() : std::make_unique<SoundWaveControl>();
    // A control starts at 1x.
    if (const double speed = speedCombo_->currentData().toDouble(); speed != 1.0) wave_->SetPlaySpeed(speed);
}

PlayerWindow::~PlayerWindow() {
    Unload();
    transport_.reset();
}

void PlayerWindow::BuildWindow() {
    setFont(PanelFont());
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    PaintWindowGrey(client);
    client->setFixedSize(Px(kClientWidthTw), Px(kClientHeightTw));
    setCentralWidget(client);
    BuildMenu();
    BuildWavePanel(client);
    BuildTransportButtons(client);
    BuildAttributes(client);
    BuildClassPanel(client);

    pHelp_ = MakeLabel(client, "P_Help", QString(), LabelLook().Sunken());
    SetTw(pHelp_, 120, 4395, 4620, 255);
    SetHelpTexts();
    BuildSpeed();
    BuildKeys();
    setFixedSize(Px(kClientWidthTw), Px(kClientHeightTw) + menuBar()->sizeHint().height());
    BuildSpectrogram(client);
}

void PlayerWindow::BuildMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&WAV Display"));
    menu->setObjectName(QStringLiteral("WAV_Display"));
    wavDisplayOn_ = menu->addAction(QStringLiteral("O&n"));
    wavDisplayOn_->setObjectName(QStringLiteral("WAV_Display_On"));
    wavDisplayOn_->setCheckable(true);
    connect(wavDisplayOn_, &QAction::triggered, this, [this] {
        // The click itself inverts the check mark.
        wavDisplayOn_->setChecked(!wavDisplayOn_->isChecked());
        WAV_Display_On_Click();
    });
}

void PlayerWindow::BuildWavePanel(QWidget* client) {
    wavPanel_ = new QFrame(client);
    wavPanel_->setObjectName(QStringLiteral("P_WAV"));
    wavPanel_->setFrameStyle(QFrame::NoFrame);
    SetTw(wavPanel_, 120, 120, kWavPanelWidth, kWavPanelHeight);
    wavePicture_ = new WavePicture(wavPanel_);
    wavePicture_->setObjectName(QStringLiteral("O_WAV"));
    SetTw(wavePicture_, 0, 0, kWavPanelWidth, kWavPanelHeight);
    wavePicture_->onPress = [this](Qt::MouseButton b, double x) { PressWave(b, x); };
    wavScroll_ = new QScrollBar(Qt::Horizontal, wavPanel_);
    wavScroll_->setObjectName(QStringLiteral("Scrl_WAV"));
    wavScroll_->setRange(0, kWavScrollMax);
    SetTw(wavScroll_, 0, kScrolledPictureHeight, kWavPanelWidth, kWavPanelHeight - kScrolledPictureHeight);
    wavScroll_->hide();
    connect(wavScroll_, &QScrollBar::valueChanged, this, [this](int value) {
        wavePicture_->move(Px(static_cast<int>(std::lround(PictureLeft(value, layout_)))), 0);
    });
    plotFile_ = new QLabel(wavPanel_);
    plotFile_->setObjectName(QStringLiteral("L_PlotFile"));
    plotFile_->move(Px(60), Px(30));
    plotFile_->hide();
}

void PlayerWindow::BuildTransportButtons(QWidget* client) {
    struct ButtonSpec {
        QPushButton** button;
        const char* name;
        QString caption;
        int left, width;
    };
    const ButtonSpec transport[] = {
        {&cmdLoop_, "Cmd_Loop", QStringLiteral("Loop"), 120, 660},
        {&cmdPlayClip_, "Cmd_PlayClip", QStringLiteral("|>|"), 775, 660},
        {&cmdPlay_, "Cmd_Play", QStringLiteral(">"), 1445, 660},
        {&cmdPause_, "Cmd_Pause", QStringLiteral("||"), 2100, 660},
        {&cmdStop_, "Cmd_Stop", QString(QChar(0x25A0)), 2755, 660},
        {&cmdPrev_, "Cmd_Prev", QStringLiteral("|<"), 3410, 660},
        {&cmdNext_, "Cmd_Next", QStringLiteral(">|"), 4070, 675},
    };
    QFont glyphs(QStringLiteral("DejaVu Sans"));
    glyphs.setPointSizeF(10);
    glyphs.setBold(true);
    for (const ButtonSpec& b : transport) {
        *b.button = MakeButton(client, b.name, b.caption);
        (*b.button)->setFont(glyphs);
        SetTw(*b.button, b.left, 1650, b.width, 375);
    }
    cmdLoop_->setFont(PanelFont());
    connect(cmdLoop_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Loop_Click);
    connect(cmdPlayClip_, &QPushButton::clicked, this, &PlayerWindow::Cmd_PlayClip_Click);
    connect(cmdPlay_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Play_Click);
    connect(cmdPause_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Pause_Click);
    connect(cmdStop_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Stop_Click);
    connect(cmdPrev_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Prev_Click);
    connect(cmdNext_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Next_Click);

    copy_ = MakeButton(client, "Copy", QStringLiteral("Copy Wave"));
    SetTw(copy_, 120, 2010, 1545, 330);
    cut_ = MakeButton(client, "Cut", QStringLiteral("Clip Board"));
    SetTw(cut_, 1665, 2010, 1545, 330);
    cmdRefresh_ = MakeButton(client, "Cmd_Refresh", QStringLiteral("Hide Highlight"));
    SetTw(cmdRefresh_, 3210, 2010, 1530, 330);
    connect(copy_, &QPushButton::clicked, this, &PlayerWindow::CopyWaveFile);
    connect(cut_, &QPushButton::clicked, this, &PlayerWindow::CopyClipReport);
    connect(cmdRefresh_, &QPushButton::clicked, this, &PlayerWindow::Cmd_Refresh_Click);
}

// Attribute fields: two columns of three, label then value.
void PlayerWindow::BuildAttributes(QWidget* client) {
    panel1_ = MakeFrame(client, "Panel1");
    SetTw(panel1_, 120, 2340, 4620, 1095);
    lChnl_ = MakeCaption(panel1_, "L_Chnl", "Chnl#");
    pChnl_ = MakeValue(panel1_, "P_Chnl");
    lFreq_ = MakeCaption(panel1_, "L_Freq", "Freq");
    pFreq_ = MakeValue(panel1_, "P_Freq");
    lFileName_ = MakeCaption(panel1_, "L_FileName", "Clip");
    pFileName_ = MakeValue(panel1_, "P_FileName");
    lStartTime_ = MakeCaption(panel1_, "L_StartTime", "Start");
    pStartTime_ = MakeValue(panel1_, "P_StartTime");
    lStopTime_ = MakeCaption(panel1_, "L_StopTime", "Stop");
    pStopTime_ = MakeValue(panel1_, "P_StopTime");
    lLevel_ = MakeCaption(panel1_, "L_Level", "Level");
    pLevel_ = MakeValue(panel1_, "P_Level");
    const std::array<std::pair<QLabel*, QLabel*>, 3> left{
        {{lChnl_, pChnl_}, {lFreq_, pFreq_}, {lFileName_, pFileName_}}};
    const std::array<std::pair<QLabel*, QLabel*>, 3> right{
        {{lStartTime_, pStartTime_}, {lStopTime_, pStopTime_}, {lLevel_, pLevel_}}};
    for (int i = 0; i < 3; ++i) {
        const int top = 75 + i * 330;
        const auto k = static_cast<std::size_t>(i);
        SetTw(left[k].first, 30, top, 660, 285);
        SetTw(left[k].second, 750, top, 1470, 285);
        SetTw(right[k].first, 2280, top, 600, 285);
        SetTw(right[k].second, 2940, top, 1620, 285);
    }
}

// Class, comment and send
void PlayerWindow::BuildClassPanel(QWidget* client) {
    panel2_ = MakeFrame(client, "Panel2");
    SetTw(panel2_, 120, 3435, 4620, 945);
    comments_ = MakeButton(panel2_, "Comments", QString());
    comments_->setIcon(MailboxIcon());
    comments_->setIconSize(QSize(Px(480), Px(480)));
    SetTw(comments_, 60, 60, 600, 825);
    connect(comments_, &QPushButton::clicked, this, &PlayerWindow::Comments_Click);
    static constexpr std::array<const char*, 3> kClassCaption{"soi", "ids", "?s"};
    for (std::size_t i = 0; i < clipStatus_.size(); ++i) {
        clipStatus_[i] = new QRadioButton(QLatin1String(kClassCaption[i]), panel2_);
        clipStatus_[i]->setObjectName(QStringLiteral("Clip_Status_%1").arg(i));
        SetTw(clipStatus_[i], 720 + static_cast<int>(i) * 720, 75, 690, 285);
        // `clicked` comes from the operator only; the program's own selection does not raise it.
        connect(clipStatus_[i], &QRadioButton::clicked, this,
                [this, i] { ClassOptionClicked(static_cast<int>(i)); });
        clipStatus_[i]->installEventFilter(this);
    }
    pComment_ = new QLineEdit(panel2_);
    pComment_->setObjectName(QStringLiteral("P_Comment"));
    SetTw(pComment_, 720, 450, 3840, 405);
    pComment_->installEventFilter(this);
}

void PlayerWindow::SetHelpTexts() {
    const std::pair<QWidget*, const char*> texts[] = {
        {cmdLoop_, "Loop on selected portion of WAV clip"},
        {cmdPlayClip_, "Play selected portion of WAV clip once"},
        {cmdPlay_, "Play WAV Clip"},
        {cmdPause_, "Pause Playing"},
        {cmdStop_, "Stop Playing"},
        {cmdPrev_, "Move focus to previous WAV clip (Playing must be stopped first)"},
        {cmdNext_, "Move focus to next WAV clip (Playing must be stopped first)"},
        {cmdRefresh_, "Hide Highlight, will remove the highlight from the WAV display"},
        {copy_, "Copy WAV file"},
        {cut_, "Copy WAV clip attributes to Windows Clipboard"},
        {comments_, "Send signal to Signal List"},
        {wavePicture_, "Left mouse button defines play start time, right defines play stop time"},
    };
    helpLine_ = new HelpLine(pHelp_);
    for (const auto& [w, text] : texts)
        helpLine_->Attach(w, QLatin1String(text));
    // The pointer over the send button clears the class-click flag, as over the comment field.
    comments_->installEventFilter(this);
}

// The speed box sits in the free corner of Panel2, right of the class options, so nothing else
// moves. It starts at the speed chosen last, in this run or an earlier one.
void PlayerWindow::BuildSpeed() {
    auto* caption = MakeLabel(panel2_, "L_Speed", QStringLiteral("Speed"),
                              LabelLook().Align(Qt::AlignVCenter | Qt::AlignRight));
    SetTw(caption, 2940, 60, 600, 330);
    speedCombo_ = new QComboBox(panel2_);
    speedCombo_->setObjectName(QStringLiteral("SpeedCombo"));
    speedCombo_->setFocusPolicy(Qt::TabFocus);
    SetTw(speedCombo_, 3600, 60, 960, 330);
    for (const double speed : kPlaySpeeds)
        speedCombo_->addItem(QString::number(speed) + QChar(0x00D7), speed);
    const QSettings prefs = UserPreferences();
    const double stored = NearestPlaySpeed(prefs.value(QLatin1String(kPlaySpeedKey), 1.0).toDouble());
    speedCombo_->setCurrentIndex(std::max(speedCombo_->findData(stored), 0));
    connect(speedCombo_, &QComboBox::currentIndexChanged, this, &PlayerWindow::SpeedChosen);
    helpLine_->Attach(speedCombo_, QStringLiteral("Playback speed; the pitch stays as recorded"));
}

// Heard from the next play on: Pause and Play go on from the same place at the new speed.
void PlayerWindow::SpeedChosen() {
    const double speed = speedCombo_->currentData().toDouble();
    if (wave_) wave_->SetPlaySpeed(speed);
    QSettings prefs = UserPreferences();
    prefs.setValue(QLatin1String(kPlaySpeedKey), speed);
}

// The transport's keys. Each runs its button's click handler, so the transport's rules decide
// what it does; a key of a disabled or hidden button does nothing.
void PlayerWindow::BuildKeys() {
    // Play/Pause and Start look at more than one button; their handlers check them.
    const struct {
        const char* name;
        Qt::Key key;
        QPushButton* button;
        void (PlayerWindow::*handler)();
    } keys[] = {
        {"Key_PlayPause", Qt::Key_Space, nullptr, &PlayerWindow::Key_PlayPause},
        {"Key_Loop", Qt::Key_L, cmdLoop_, &PlayerWindow::Cmd_Loop_Click},
        {"Key_Start", Qt::Key_Home, nullptr, &PlayerWindow::Key_Start},
        {"Key_Prev", Qt::Key_PageUp, cmdPrev_, &PlayerWindow::Cmd_Prev_Click},
        {"Key_Next", Qt::Key_PageDown, cmdNext_, &PlayerWindow::Cmd_Next_Click},
        {"Key_Stop", Qt::Key_Escape, cmdStop_, &PlayerWindow::Cmd_Stop_Click},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(QKeySequence(k.key), this);
        shortcut->setObjectName(QLatin1String(k.name));
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this, button = k.button, handler = k.handler] {
            if (button && !Clickable(button)) return;
            (this->*handler)();
        });
        keys_.push_back(shortcut);
    }
}

bool PlayerWindow::IsTransportKey(const QKeyEvent* event) const {
    const QKeySequence pressed(event->keyCombination());
    return std::any_of(keys_.begin(), keys_.end(), [&](const QShortcut* k) { return k->key() == pressed; });
}

void PlayerWindow::Key_PlayPause() {
    if (!transport_) return;
    const TransportLooks& l = transport_->Looks;
    if (l.Cmd_Play == ButtonColour::Black && Clickable(cmdPlay_))
        Cmd_Play_Click();
    else if (l.Cmd_Pause != ButtonColour::Grey && Clickable(cmdPause_))
        Cmd_Pause_Click();
}

void PlayerWindow::Key_Start() {
    if (!transport_ || !Clickable(cmdStop_)) return;
    // Stop leaves the cursor at the clip's start; a list that was playing plays on from there.
    const bool listPlaying = transport_->Looks.Cmd_Play == ButtonColour::Red;
    Cmd_Stop_Click();
    if (listPlaying && !unloaded_ && Clickable(cmdPlay_)) Cmd_Play_Click();
}

// ---------------------------------------------------------------------------------------------
// Load and unload

void PlayerWindow::BuildTransport() {
    PlayModel& play = models_.play;
    playList_ = play.PlayList();
    TransportHooks h;
    h.ShowClip = [this](int clip) { ShowClip(clip); };
    h.ClipFilePath = [this](int clip) { return ClipFilePath(clip); };
    h.ShowSignalMatch = [this] { ShowSignalMatch(); };
    h.LockOtherWindows = [this] { LockOtherWindows(); };
    h.UnlockOtherWindows = [this] { UnlockOtherWindows(); };
    h.LoadWaveform = [this] { LoadWaveform(); };
    h.ProcessEvents = [this] { ProcessEvents(); };
    h.WaitMs = [this](int ms) {
        PaintState(); // the operator sees the new looks while the handler waits
        if (setup_.waitMs) {
            setup_.waitMs(ms);
        } else {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
            WaitMs(ms);
        }
    };
    h.ScaleWidth = [this] { return wavePicture_->ScaleWidth(); };
    h.MarkLeftToZero = [this] {
        box_.left = 0;
        wavePicture_->box = box_;
    };
    transport_ = std::make_unique<Transport>(*wave_, playList_, play.PlayListCount(), play.StopAfterClipFlag(),
                                             std::move(h));
    // The end of a play runs as a handler of its own, painted afterwards.
    wave_->SetPlayDone([this] { Run([this] { transport_->EndOfPlay(); }); });
}

void PlayerWindow::Load() {
    ShowClassTools(false);
    classClickFlag_ = false;
    lChnl_->setText(Qs(NumberLabel(models_.recording.Type())));
    wavDisplayOn_->setChecked(models_.settings.WavDisplayOn());
    BuildTransport();
    PaintState();
    show();
    ApplyPlacement();
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
    models_.play.SetPlayerLoaded(true);
    loaded_ = true;
    Run([this] { transport_->Start(); });
    if (transport_->HasClips() && !Audible()) helpLine_->Show(QLatin1String(kSilentText));
}

// At the place the operator left the last player, else near the top right corner of the summary.
void PlayerWindow::ApplyPlacement() {
    const PlayModel& play = models_.play;
    if (play.PlayerLeft() >= 0) {
        move(Px(play.PlayerLeft()), Px(play.PlayerTop()));
        return;
    }
    const QWidget* anchor = unloaded_ || !setup_.anchor ? nullptr : setup_.anchor();
    if (!anchor) return;
    const QRect summary = anchor->frameGeometry();
    const int width = std::max(frameGeometry().width(), Px(kWindowWidthTw));
    move(summary.left() + summary.width() - width - Px(kFromSummaryRightTw), summary.top() + Px(kBelowSummaryTopTw));
}

void PlayerWindow::Dispose() {
    Unload();
    hide();
    // A handler of the window may be letting events run right now: deferred deletion waits until
    // control is back in the event loop, and the unloaded window's remaining steps touch nothing else.
    deleteLater();
}

void PlayerWindow::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    PlayModel& play = models_.play;
    play.SetPlayerLoaded(false);
    timer1_.stop();
    spectro_->Clear();
    if (wave_) {
        wave_->SetPlayDone(nullptr);
        wave_->SetPlayCommand(kWavStop);
    }
    if (loaded_) play.SetLocked(false);
    loaded_ = false;
    if (!isMinimized() && isVisible()) play.SetPlayerPlace(Tw(frameGeometry().x()), Tw(frameGeometry().y()));
    emit unloaded();
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    Unload();
    QMainWindow::closeEvent(event);
}

void PlayerWindow::Run(const std::function<void()>& handler) {
    if (!transport_) return;
    handler();
    if (unloaded_) {
        // Unloaded while the handler ran: whatever the handler started afterwards must not play on.
        if (wave_) wave_->SetPlayCommand(kWavStop);
        timer1_.stop();
        return;
    }
    PaintState();
}

void PlayerWindow::ProcessEvents() {
    PaintState();
    QApplication::processEvents();
}

void PlayerWindow::PaintState() {
    if (!transport_) return;
    const TransportLooks& l = transport_->Looks;
    SetTextColour(cmdLoop_, l.Cmd_Loop);
    SetTextColour(cmdPlayClip_, l.Cmd_PlayClip);
    SetTextColour(cmdPlay_, l.Cmd_Play);
    SetTextColour(cmdPause_, l.Cmd_Pause);
    SetTextColour(cmdStop_, l.Cmd_Stop);
    SetTextColour(cmdPrev_, l.Cmd_Prev);
    SetTextColour(cmdNext_, l.Cmd_Next);
    copy_->setEnabled(transport_->CopyEnabled);
    wavePicture_->cursorX = transport_->CursorX;
    wavePicture_->cursorVisible = transport_->CursorVisible;
    wavePicture_->box = box_;
    wavePicture_->update();
    if (unloaded_) return;
    if (transport_->TimerEnabled && !timer1_.isActive())
        timer1_.start();
    else if (!transport_->TimerEnabled && timer1_.isActive())
        timer1_.stop();
}

bool PlayerWindow::Playing_() const {
    if (!transport_) return false;
    return transport_->Looks.Cmd_Pause != ButtonColour::Red &&
           transport_->Looks.Cmd_Stop != ButtonColour::Red;
}

bool PlayerWindow::Audible() const {
    const auto* real = dynamic_cast<const SoundWaveControl*>(wave_.get());
    return !real || real->Audible() || real->PlayState() != kWavPlay;
}

// ---------------------------------------------------------------------------------------------
// Transport buttons

void PlayerWindow::Cmd_Play_Click() {
    Run([this] { transport_->Play(); });
    if (!Audible()) helpLine_->Show(QLatin1String(kSilentText));
}
void PlayerWindow::Cmd_PlayClip_Click() {
    Run([this] { transport_->PlayClip(); });
}
void PlayerWindow::Cmd_Loop_Click() {
    Run([this] { transport_->Loop(); });
}
void PlayerWindow::Cmd_Pause_Click() {
    Run([this] { transport_->Pause(); });
}
void PlayerWindow::Cmd_Stop_Click() {
    Run([this] { transport_->Stop(); });
}
void PlayerWindow::Cmd_Next_Click() {
    Run([this] { transport_->Next(); });
}
void PlayerWindow::Cmd_Prev_Click() {
    Run([this] { transport_->Prev(); });
}

void PlayerWindow::Timer1_Timer() {
    if (!transport_ || unloaded_) return;
    transport_->TimerTick();
    wavePicture_->cursorX = transport_->CursorX;
    wavePicture_->update();
}

// ---------------------------------------------------------------------------------------------
// The current clip

void PlayerWindow::ShowClip(int clip) {
    const ClipTable& t = models_.recording.Table();
    if (clip < 1 || clip > t.ClipLine.Count()) return;
    const std::string_view line = t.ClipLine[clip];
    models_.selection.SetSelectedClip(clip);
    readouts_ = MakeClipReadouts(line);
    pFileName_->setText(Qs(readouts_.FileName));
    pChnl_->setText(Qs(readouts_.Chnl));
    pFreq_->setText(Qs(readouts_.Freq));
    pStartTime_->setText(Qs(readouts_.StartTime));
    pStopTime_->setText(Qs(readouts_.StopTime));
    pLevel_->setText(Qs(readouts_.Level));
    ShowSignalMatch();
    models_.selection.SetHighlightedClip(clip);
}

std::string PlayerWindow::ClipFilePath(int clip) const {
    const ClipTable& t = models_.recording.Table();
    if (clip < 1 || clip > t.ClipLine.Count()) return {};
    const std::string_view name = t.ClipLine.Field(clip, ClipFieldId::FileName);
    if (name.empty()) return {};
    const std::string path = models_.recording.EventFolder() + std::string(name);
    if (FileExists(path)) return path;
    // Clip names come from equipment that ignores case.
    if (const std::optional<std::string> found = FindPathNoCase(path); found && FileExists(*found))
        return *found;
    return {};
}

// ---------------------------------------------------------------------------------------------
// Locking the other windows

void PlayerWindow::LockOtherWindows() {
    if (!loaded_ || unloaded_) return;
    models_.play.SetLocked(true);
}

void PlayerWindow::UnlockOtherWindows() {
    if (!loaded_) return;
    models_.play.SetLocked(false);
}

// ---------------------------------------------------------------------------------------------
// Waveform

void PlayerWindow::ShowPlotText(std::string_view text) {
    plotFile_->setText(Qs(text));
    plotFile_->adjustSize();
    plotFile_->show();
    plotFile_->raise();
}

void PlayerWindow::LoadWaveform() {
    transport_->ClearMarks();
    box_.visible = false;
    wavePicture_->box = box_;
    spectro_->Clear();
    if (!wavDisplayOn_->isChecked()) return;
    ShowPlotText(kLoadingText);
    const std::string path = wave_->WavFileName();
    const bool exists = !ClipFilePath(models_.selection.SelectedClip()).empty();
    if (path.empty() || !exists) {
        // The previous drawing stays beneath the label.
        ShowPlotText(exists ? kFileNotPlayableText : kFileNotFoundText);
        return;
    }
    plotFile_->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Reduced to a column per device pixel; the picture's units stay those of the screen's dpi.
    const qreal ratio = wavePicture_->devicePixelRatioF();
    const Waveform w = ReadWaveform(path, ScreenDpi() * ratio);
    QApplication::restoreOverrideCursor();
    if (w.state != WavFileState::Playable) {
        wave_->SetWavFileName("");
        transport_->CopyEnabled = false;
        ShowPlotText(w.state == WavFileState::Missing ? kFileNotFoundText : kFileNotPlayableText);
        PaintState();
        return;
    }
    layout_ = ratio == 1 ? w.layout : LayOutWaveform(CheckWavFile(path).dataSize, ScreenDpi());
    models_.play.SetWavUnitWidth(layout_.unitWidth);
    wavePicture_->resize(Px(static_cast<int>(std::lround(layout_.pictureWidth))), Px(layout_.pictureHeight));
    wavePicture_->move(0, 0);
    wavScroll_->setPageStep(std::max<int>(1, layout_.largeChange));
    wavScroll_->setSingleStep(std::max<int>(1, layout_.smallChange));
    wavScroll_->setVisible(layout_.scrollBar);
    wavePicture_->SetWave(MergeColumns(w.columns, layout_.unitWidth), static_cast<double>(layout_.columns));
    const QSignalBlocker block(wavScroll_);
    wavScroll_->setValue(0);
    spectro_->SetClip(path, layout_);
}

Marks PlayerWindow::CurrentMarks() const {
    Marks m;
    m.start = transport_->MarkStart;
    m.stop = transport_->MarkStop;
    m.playStart = transport_->PlayStart;
    m.playEnd = transport_->PlayEnd;
    m.box = box_;
    return m;
}

void PlayerWindow::SyncMarks(const Marks& m) {
    transport_->MarkStart = m.start;
    transport_->MarkStop = m.stop;
    transport_->PlayStart = m.playStart;
    transport_->PlayEnd = m.playEnd;
    box_ = m.box;
}

void PlayerWindow::PressWave(Qt::MouseButton button, double x) {
    if (!transport_ || !transport_->HasClips()) return;
    Marks m = CurrentMarks();
    const MarkScale scale{wavePicture_->ScaleWidth(), layout_.unitWidth, wave_->WavLength()};
    const RangeButtons r = PressMark(m, ToMouseButton(button), x, scale, wave_->PlayState() == kWavPlay);
    SyncMarks(m);
    if (r == RangeButtons::Available)
        transport_->Looks.Cmd_PlayClip = transport_->Looks.Cmd_Loop = ButtonColour::Black;
    else if (r == RangeButtons::Unavailable)
        transport_->Looks.Cmd_PlayClip = transport_->Looks.Cmd_Loop = ButtonColour::Grey;
    PaintState();
}

void PlayerWindow::Cmd_Refresh_Click() {
    if (!transport_) return;
    Marks m = CurrentMarks();
    ClearMarks(m);
    SyncMarks(m);
    transport_->ClearMarks();
    PaintState();
}

void PlayerWindow::WAV_Display_On_Click() {
    wavDisplayOn_->setChecked(!wavDisplayOn_->isChecked());
    const bool on = wavDisplayOn_->isChecked();
    if (on) {
        if (transport_) LoadWaveform();
    } else {
        wavePicture_->Clear();
        spectro_->Clear();
        plotFile_->setText(QString());
    }
    if (transport_) PaintState();
    if (const FileResult r = models_.settings.SetWavDisplayOn(on); !r)
        prompter_.Message(kDisplaySwitchTitle,
                          "The WAV display setting could not be stored in the configuration file: " + r.error +
                              ".  It applies until the program ends.",
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Spectrogram

namespace {

// The strip below P_Help, P_WAV's width; the window grows by it only while it is shown.
constexpr int kSpectroTopTw = 4770;
constexpr int kSpectroHeightTw = 1200;
constexpr int kSpectroGrowthTw = 1320;
// The operator's choice lives with the recent files in the user's configuration folder.
constexpr const char* kSpectrogramKey = "Player/Spectrogram";

} // namespace

void PlayerWindow::BuildSpectrogram(QWidget* client) {
    QMenu* menu = menuBar()->findChild<QMenu*>(QStringLiteral("WAV_Display"));
    wavDisplaySpectrogram_ = menu->addAction(QStringLiteral("&Spectrogram"));
    wavDisplaySpectrogram_->setObjectName(QStringLiteral("WAV_Display_Spectrogram"));
    wavDisplaySpectrogram_->setCheckable(true);
    connect(wavDisplaySpectrogram_, &QAction::triggered, this, &PlayerWindow::WAV_Display_Spectrogram_Click);
    spectro_ = new SpectrogramStrip(wavePicture_, client);
    SetTw(spectro_, 120, kSpectroTopTw, kWavPanelWidth, kSpectroHeightTw);
    const bool on = UserPreferences().value(QLatin1String(kSpectrogramKey), false).toBool();
    wavDisplaySpectrogram_->setChecked(on);
    ShowSpectrogramStrip(on);
}

void PlayerWindow::WAV_Display_Spectrogram_Click() {
    const bool on = wavDisplaySpectrogram_->isChecked();
    ShowSpectrogramStrip(on);
    // Not stored is no loss worth a message: the station's files are not concerned.
    UserPreferences().setValue(QLatin1String(kSpectrogramKey), on);
}

void PlayerWindow::ShowSpectrogramStrip(bool on) {
    const int height = Px(kClientHeightTw) + (on ? Px(kSpectroGrowthTw) : 0);
    centralWidget()->setFixedSize(Px(kClientWidthTw), height);
    setFixedSize(Px(kClientWidthTw), height + menuBar()->sizeHint().height());
    spectro_->setVisible(on);
    spectro_->SetOn(on);
}

// ---------------------------------------------------------------------------------------------
// Class, comment and send

SignalListPort* PlayerWindow::SignalList() const {
    if (unloaded_ || !setup_.signalList) return nullptr;
    return setup_.signalList();
}

void PlayerWindow::ShowClassTools(bool visible) {
    for (QRadioButton* b : clipStatus_)
        b->setVisible(visible);
    pComment_->setVisible(visible);
}

void PlayerWindow::SetCommentListed(bool listed) {
    QPalette p = pComment_->palette();
    p.setColor(QPalette::Base, listed ? kListedColour : kEditedColour);
    pComment_->setPalette(p);
}

void PlayerWindow::SelectClass(SignalClass cls) {
    clipStatus_[static_cast<std::size_t>(cls)]->setChecked(true);
}

SignalClass PlayerWindow::SelectedClass() const {
    if (clipStatus_[0]->isChecked()) return SignalClass::Soi;
    if (clipStatus_[1]->isChecked()) return SignalClass::Ids;
    return SignalClass::Unknown;
}

void PlayerWindow::ShowSignalMatch() {
    SignalListPort* sig = SignalList();
    const zarn::SignalList empty;
    const zarn::SignalList& list = sig ? sig->List() : empty;
    const SignalBands bands(list);
    SignalMatchInput in;
    in.freqCaption = readouts_.Freq;
    in.chnlCaption = readouts_.Chnl;
    in.table = &models_.recording.Table();
    in.defaultIfbw = models_.settings.DefaultIfbw();
    const SignalMatch m = zarn::ShowSignalMatch(in, list, bands);
    if (sig) {
        sig->UnhighlightAll();
        sig->SetCurrent(-1);
    }
    if (m.entry) {
        SelectClass(m.cls);
        SetCommentListed(true);
        pComment_->setText(Qs(m.comment));
        ShowClassTools(true);
        if (sig) {
            sig->SetHighlighted(*m.entry, true);
            sig->SetCurrent(*m.entry);
        }
    } else {
        ShowClassTools(false);
    }
    models_.selection.SetIfbwText(m.ifbwText);
}

void PlayerWindow::PauseForEdit(bool clearFlag) {
    Cmd_Pause_Click();
    if (clearFlag) classClickFlag_ = false;
    ProcessEvents();
}

void PlayerWindow::ClassOptionClicked(int) {
    const ClassChangeSteps steps = ClassChange(true, Playing_(), !pComment_->isHidden());
    if (steps.pause) PauseForEdit(true);
    if (steps.send) SendToSignalList(SendMode::Replace);
}

void PlayerWindow::Comments_Click() {
    if (Playing_()) PauseForEdit(false);
    classClickFlag_ = false;
    if (pComment_->isHidden()) {
        SelectClass(SignalClass::Unknown);
        ShowClassTools(true);
    }
    SendToSignalList(SendMode::Ask);
}

void PlayerWindow::SendToSignalList(SendMode mode) {
    SignalListPort* sig = SignalList();
    if (!sig) return;
    const std::string& freq = readouts_.Freq;
    const std::string ifbw = models_.selection.IfbwText();
    const std::string comment = Bytes(pComment_->text());
    const SendFields fields{freq, ifbw, SelectedClass(), comment};
    const SendPlan plan = PlanSend(sig->List(), fields, mode);
    if (plan.refused) {
        prompter_.Beep();
        return;
    }
    SetCommentListed(true);
    sig->UnhighlightAll();
    if (plan.slot.conflict) sig->SetHighlighted(*plan.slot.conflict, true);
    bool yes = true;
    if (plan.question)
        yes = prompter_.Message(plan.question->title, plan.question->text, MsgIcon::Question,
                                      MsgButtons::YesNo) == MsgAnswer::Yes;
    ModelEdits edits(sig->Model());
    const SendOutcome out = ApplySend(edits, plan, yes);
    if (out.listFull) {
        sig->WarnListFull("ADD");
        return;
    }
    if (!out.added) return;
    sig->UnhighlightAll();
    sig->SetCurrent(out.index);
    sig->SetHighlighted(out.index, true);
    models_.selection.SetStatusText(out.statusText);
    // A list that cannot be written is reported there and kept; the entry stays in it.
    sig->SaveList();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::MouseMove) {
        if (watched == pComment_ || watched == comments_) classClickFlag_ = false;
        for (QRadioButton* b : clipStatus_)
            if (watched == b) classClickFlag_ = true;
    }
    // Typing in the comment box stays typing: the transport's keys reach the box as keys.
    if (watched == pComment_ && type == QEvent::ShortcutOverride &&
        IsTransportKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if (watched == pComment_ && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
        if (type == QEvent::MouseButtonPress && Playing_() && models_.play.PlayerLoaded()) {
            Cmd_Pause_Click();
            ProcessEvents();
        } else if (type == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            int code = 0;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                code = kKeyEnter;
            else if (key->key() == Qt::Key_Escape)
                code = kKeyEscape;
            else if (!key->text().isEmpty())
                code = static_cast<unsigned char>(Bytes(key->text().left(1)).front());
            if (code == 0) return false; // moving the caret is not typing
            const CommentKeySteps steps = zarn::CommentKey(code, Playing_());
            if (steps.pause) PauseForEdit(true);
            SetCommentListed(false);
            switch (steps.action) {
            case CommentKeyAction::Send:
                SendToSignalList(SendMode::Replace);
                return true;
            case CommentKeyAction::Restore:
                ShowSignalMatch();
                return true;
            case CommentKeyAction::Type:
                if (steps.typed != static_cast<char>(code)) {
                    pComment_->insert(Qs(std::string(1, steps.typed)));
                    return true;
                }
                return false;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Clipboard and Copy Wave

void PlayerWindow::CopyClipReport() {
    const std::string report =
        ClipReport(models_.recording.Type(), readouts_, models_.selection.IfbwText(), Bytes(pComment_->text()));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Qs(report));
}

void PlayerWindow::CopyWaveFile() {
    if (!transport_) return;
    const std::optional<std::string> chosen = prompter_.SaveFile(CopyWaveRequest(readouts_.FileName));
    if (!chosen) return;
    const std::string destination = CopyWaveDestination(*chosen);
    const std::string source = ClipFilePath(models_.selection.SelectedClip());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wave_->SetPlayCommand(kWavStop);
    UnlockOtherWindows();
    const FileResult r =
        source.empty() ? FileResult{false, "the clip file is missing"} : CopyClipFile(source, destination);
    wave_->SetWavFileName(source);
    QApplication::restoreOverrideCursor();
    PaintState();
    // A copy that did not happen is told: the operator would otherwise count on a file that is not there.
    if (!r)
        prompter_.Message(kCopyWaveTitle, "The clip could not be copied to " + destination + ": " + r.error + ".",
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace zarn
