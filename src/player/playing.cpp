#include "playing.h"

#include "config.h"
#include "dates.h"
#include "formats.h"
#include "window_chrome.h"
#include "latin1.h"
#include "numbers.h"
#include "overall.h"
#include "paths.h"
#include "sig_roll.h"
#include "signal_bands.h"
#include "sound_wave_control.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
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

const QColor kWaveColour(0, 0, 255);       // colour 9 of the 16-colour palette
const QColor kMarkColour(128, 128, 255);   // S_Clip
const QColor kCursorColour(200, 0, 0);     // Line1
const QColor kListedColour(255, 255, 0);   // P_Comment agrees with the list
const QColor kEditedColour(255, 255, 255); // P_Comment edited since

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(QLatin1String(caption), parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return l;
}

QLabel* MakeValue(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::white);
    l->setPalette(p);
    return l;
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
        // y = 255 at the top edge, -1 at the bottom edge.
        const double perLevel = height() / 256.0;
        const double perPixel = static_cast<double>(width()) / static_cast<double>(pixels_.size());
        p.setPen(kWaveColour);
        for (std::size_t i = 0; i < pixels_.size(); ++i) {
            const int x = static_cast<int>(static_cast<double>(i) * std::min(perPixel, 1.0e9));
            const int top = static_cast<int>((255 - pixels_[i].max) * perLevel);
            const int bottom = static_cast<int>((255 - pixels_[i].min) * perLevel);
            p.drawLine(x, top, x, std::max(top, bottom));
        }
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

Playing::Playing(PlayingHost host, QWidget* parent) : QMainWindow(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("Playing"));
    setWindowTitle(QLatin1String(kWindowCaption));
    BuildWindow();
    Timer1.setInterval(kCursorIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &Playing::Timer1_Timer);
    wave_ = host_.makeWaveControl ? host_.makeWaveControl() : std::make_unique<SoundWaveControl>();
}

Playing::~Playing() {
    Unload();
    transport_.reset();
}

void Playing::BuildWindow() {
    setFont(PanelFont());
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, kWindowGrey);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        pal.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    client->setPalette(pal);
    client->setAutoFillBackground(true);
    client->setFixedSize(Px(kClientWidthTw), Px(kClientHeightTw));
    setCentralWidget(client);

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&WAV Display"));
    menu->setObjectName(QStringLiteral("WAV_Display"));
    WAV_Display_On = menu->addAction(QStringLiteral("O&n"));
    WAV_Display_On->setObjectName(QStringLiteral("WAV_Display_On"));
    WAV_Display_On->setCheckable(true);
    connect(WAV_Display_On, &QAction::triggered, this, [this] {
        // The click itself inverts the check mark.
        WAV_Display_On->setChecked(!WAV_Display_On->isChecked());
        WAV_Display_On_Click();
    });

    // Waveform panel
    P_WAV = new QFrame(client);
    P_WAV->setObjectName(QStringLiteral("P_WAV"));
    P_WAV->setFrameStyle(QFrame::NoFrame);
    SetTw(P_WAV, 120, 120, kWavPanelWidth, kWavPanelHeight);
    O_WAV = new WavePicture(P_WAV);
    O_WAV->setObjectName(QStringLiteral("O_WAV"));
    SetTw(O_WAV, 0, 0, kWavPanelWidth, kWavPanelHeight);
    O_WAV->onPress = [this](Qt::MouseButton b, double x) { PressWave(b, x); };
    Scrl_WAV = new QScrollBar(Qt::Horizontal, P_WAV);
    Scrl_WAV->setObjectName(QStringLiteral("Scrl_WAV"));
    Scrl_WAV->setRange(0, kWavScrollMax);
    SetTw(Scrl_WAV, 0, kScrolledPictureHeight, kWavPanelWidth, kWavPanelHeight - kScrolledPictureHeight);
    Scrl_WAV->hide();
    connect(Scrl_WAV, &QScrollBar::valueChanged, this, &Playing::Scrl_WAV_Change);
    L_PlotFile = new QLabel(P_WAV);
    L_PlotFile->setObjectName(QStringLiteral("L_PlotFile"));
    L_PlotFile->move(Px(60), Px(30));
    L_PlotFile->hide();

    // Transport
    struct ButtonSpec {
        QPushButton** button;
        const char* name;
        QString caption;
        int left, width;
    };
    const ButtonSpec transport[] = {
        {&Cmd_Loop, "Cmd_Loop", QStringLiteral("Loop"), 120, 660},
        {&Cmd_PlayClip, "Cmd_PlayClip", QStringLiteral("|>|"), 775, 660},
        {&Cmd_Play, "Cmd_Play", QStringLiteral(">"), 1445, 660},
        {&Cmd_Pause, "Cmd_Pause", QStringLiteral("||"), 2100, 660},
        {&Cmd_Stop, "Cmd_Stop", QString(QChar(0x25A0)), 2755, 660},
        {&Cmd_Prev, "Cmd_Prev", QStringLiteral("|<"), 3410, 660},
        {&Cmd_Next, "Cmd_Next", QStringLiteral(">|"), 4070, 675},
    };
    QFont glyphs(QStringLiteral("DejaVu Sans"));
    glyphs.setPointSizeF(10);
    glyphs.setBold(true);
    for (const ButtonSpec& b : transport) {
        *b.button = MakeButton(client, b.name, b.caption);
        (*b.button)->setFont(glyphs);
        SetTw(*b.button, b.left, 1650, b.width, 375);
    }
    Cmd_Loop->setFont(PanelFont());
    connect(Cmd_Loop, &QPushButton::clicked, this, &Playing::Cmd_Loop_Click);
    connect(Cmd_PlayClip, &QPushButton::clicked, this, &Playing::Cmd_PlayClip_Click);
    connect(Cmd_Play, &QPushButton::clicked, this, &Playing::Cmd_Play_Click);
    connect(Cmd_Pause, &QPushButton::clicked, this, &Playing::Cmd_Pause_Click);
    connect(Cmd_Stop, &QPushButton::clicked, this, &Playing::Cmd_Stop_Click);
    connect(Cmd_Prev, &QPushButton::clicked, this, &Playing::Cmd_Prev_Click);
    connect(Cmd_Next, &QPushButton::clicked, this, &Playing::Cmd_Next_Click);

    Copy = MakeButton(client, "Copy", QStringLiteral("Copy Wave"));
    SetTw(Copy, 120, 2010, 1545, 330);
    Cut = MakeButton(client, "Cut", QStringLiteral("Clip Board"));
    SetTw(Cut, 1665, 2010, 1545, 330);
    Cmd_Refresh = MakeButton(client, "Cmd_Refresh", QStringLiteral("Hide Highlight"));
    SetTw(Cmd_Refresh, 3210, 2010, 1530, 330);
    connect(Copy, &QPushButton::clicked, this, &Playing::CopyWaveFile);
    connect(Cut, &QPushButton::clicked, this, &Playing::CopyClipReport);
    connect(Cmd_Refresh, &QPushButton::clicked, this, &Playing::Cmd_Refresh_Click);

    // Attribute fields: two columns of three, label then value.
    Panel1 = MakeFrame(client, "Panel1");
    SetTw(Panel1, 120, 2340, 4620, 1095);
    L_Chnl = MakeLabel(Panel1, "L_Chnl", "Chnl#");
    P_Chnl = MakeValue(Panel1, "P_Chnl");
    L_Freq = MakeLabel(Panel1, "L_Freq", "Freq");
    P_Freq = MakeValue(Panel1, "P_Freq");
    L_FileName = MakeLabel(Panel1, "L_FileName", "Clip");
    P_FileName = MakeValue(Panel1, "P_FileName");
    L_StartTime = MakeLabel(Panel1, "L_StartTime", "Start");
    P_StartTime = MakeValue(Panel1, "P_StartTime");
    L_StopTime = MakeLabel(Panel1, "L_StopTime", "Stop");
    P_StopTime = MakeValue(Panel1, "P_StopTime");
    L_Level = MakeLabel(Panel1, "L_Level", "Level");
    P_Level = MakeValue(Panel1, "P_Level");
    const std::array<std::pair<QLabel*, QLabel*>, 3> left{
        {{L_Chnl, P_Chnl}, {L_Freq, P_Freq}, {L_FileName, P_FileName}}};
    const std::array<std::pair<QLabel*, QLabel*>, 3> right{
        {{L_StartTime, P_StartTime}, {L_StopTime, P_StopTime}, {L_Level, P_Level}}};
    for (int i = 0; i < 3; ++i) {
        const int top = 75 + i * 330;
        const auto k = static_cast<std::size_t>(i);
        SetTw(left[k].first, 30, top, 660, 285);
        SetTw(left[k].second, 750, top, 1470, 285);
        SetTw(right[k].first, 2280, top, 600, 285);
        SetTw(right[k].second, 2940, top, 1620, 285);
    }

    // Class, comment and send
    Panel2 = MakeFrame(client, "Panel2");
    SetTw(Panel2, 120, 3435, 4620, 945);
    Comments = MakeButton(Panel2, "Comments", QString());
    Comments->setIcon(MailboxIcon());
    Comments->setIconSize(QSize(Px(480), Px(480)));
    SetTw(Comments, 60, 60, 600, 825);
    connect(Comments, &QPushButton::clicked, this, &Playing::Comments_Click);
    static constexpr std::array<const char*, 3> kClassCaption{"soi", "ids", "?s"};
    for (std::size_t i = 0; i < Clip_Status.size(); ++i) {
        Clip_Status[i] = new QRadioButton(QLatin1String(kClassCaption[i]), Panel2);
        Clip_Status[i]->setObjectName(QStringLiteral("Clip_Status_%1").arg(i));
        SetTw(Clip_Status[i], 720 + static_cast<int>(i) * 720, 75, 690, 285);
        // `clicked` comes from the operator only; the program's own selection does not raise it.
        connect(Clip_Status[i], &QRadioButton::clicked, this,
                [this, i] { ClassOptionClicked(static_cast<int>(i)); });
        Clip_Status[i]->installEventFilter(this);
    }
    P_Comment = new QLineEdit(Panel2);
    P_Comment->setObjectName(QStringLiteral("P_Comment"));
    SetTw(P_Comment, 720, 450, 3840, 405);
    P_Comment->installEventFilter(this);

    P_Help = new QLabel(client);
    P_Help->setObjectName(QStringLiteral("P_Help"));
    P_Help->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    P_Help->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    SetTw(P_Help, 120, 4395, 4620, 255);

    SetHelpTexts();
    setFixedSize(Px(kClientWidthTw), Px(kClientHeightTw) + menuBar()->sizeHint().height());
}

void Playing::SetHelpTexts() {
    const std::pair<QWidget*, const char*> texts[] = {
        {Cmd_Loop, "Loop on selected portion of WAV clip"},
        {Cmd_PlayClip, "Play selected portion of WAV clip once"},
        {Cmd_Play, "Play WAV Clip"},
        {Cmd_Pause, "Pause Playing"},
        {Cmd_Stop, "Stop Playing"},
        {Cmd_Prev, "Move focus to previous WAV clip (Playing must be stopped first)"},
        {Cmd_Next, "Move focus to next WAV clip (Playing must be stopped first)"},
        {Cmd_Refresh, "Hide Highlight, will remove the highlight from the WAV display"},
        {Copy, "Copy WAV file"},
        {Cut, "Copy WAV clip attributes to Windows Clipboard"},
        {Comments, "Send signal to Signal List"},
        {O_WAV, "Left mouse button defines play start time, right defines play stop time"},
    };
    for (const auto& [w, text] : texts) {
        w->setProperty("helpText", QLatin1String(text));
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

// ---------------------------------------------------------------------------------------------
// Load and unload

void Playing::BuildTransport() {
    const AppState& s = *host_.state;
    playList_ = s.PlayList;
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
        if (host_.waitMs) {
            host_.waitMs(ms);
        } else {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
            WaitMs(ms);
        }
    };
    h.ScaleWidth = [this] { return O_WAV->ScaleWidth(); };
    h.MarkLeftToZero = [this] {
        box_.left = 0;
        O_WAV->box = box_;
    };
    transport_ = std::make_unique<Transport>(*wave_, playList_, s.PlayListCount, host_.state->StopAfterClip,
                                             std::move(h));
    // The end of a play runs as a handler of its own, painted afterwards.
    wave_->SetPlayDone([this] { Run([this] { transport_->EndOfPlay(); }); });
}

void Playing::Load() {
    AppState& s = S();
    if (Overall* o = Summary()) {
        o->Chk_time->setEnabled(false);
        o->Chk_Continue->setEnabled(false);
    }
    s.PlayerLoaded = false;
    ShowClassTools(false);
    ClassClickFlag = false;
    L_Chnl->setText(Qs(NumberLabel(s.CollectionType)));
    WAV_Display_On->setChecked(s.WavDisplayOn);
    BuildTransport();
    PaintState();
    show();
    ApplyPlacement();
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
    s.PlayerLoaded = true;
    loaded_ = true;
    Run([this] { transport_->Start(); });
    if (transport_->HasClips() && !Audible()) P_Help->setText(QLatin1String(kSilentText));
}

void Playing::ApplyPlacement() {
    const AppState& s = *host_.state;
    if (s.PlayerLeft >= 0) {
        move(Px(s.PlayerLeft), Px(s.PlayerTop));
        return;
    }
    Overall* o = Summary();
    if (!o) return;
    const QRect summary = o->frameGeometry();
    const int width = std::max(frameGeometry().width(), Px(kWindowWidthTw));
    move(summary.left() + summary.width() - width - Px(kFromSummaryRightTw),
         summary.top() + Px(kBelowSummaryTopTw));
}

Overall* Playing::Summary() const {
    if (unloaded_ || !host_.summary) return nullptr;
    return host_.summary();
}

void Playing::Dispose() {
    Unload();
    hide();
    // A handler of the window may be letting events run right now: deferred deletion waits until
    // control is back in the event loop, and the unloaded window's remaining steps touch nothing else.
    deleteLater();
}

void Playing::Unload() {
    if (unloaded_) return;
    Overall* summary = Summary();
    unloaded_ = true;
    AppState& s = S();
    if (Overall* o = summary) {
        o->Chk_time->setEnabled(true);
        o->Chk_Continue->setEnabled(o->CheckedOption() == 2);
        o->O_Picture->Shape1.visible = false;
        o->O_Picture->UpdateOverlays();
    }
    s.PlayerLoaded = false;
    Timer1.stop();
    if (wave_) {
        wave_->SetPlayDone(nullptr);
        wave_->SetPlayCommand(kWavStop);
    }
    if (summary) {
        summary->Play->setEnabled(true);
        for (QRadioButton* b : summary->Play_Opt)
            b->setEnabled(true);
    }
    if (loaded_ && host_.lockMainWindow) host_.lockMainWindow(false);
    loaded_ = false;
    if (!isMinimized() && isVisible()) {
        s.PlayerLeft = Tw(frameGeometry().x());
        s.PlayerTop = Tw(frameGeometry().y());
    }
    if (host_.unloaded) host_.unloaded();
}

void Playing::closeEvent(QCloseEvent* event) {
    Unload();
    QMainWindow::closeEvent(event);
}

void Playing::Run(const std::function<void()>& handler) {
    if (!transport_) return;
    handler();
    if (unloaded_) {
        // Unloaded while the handler ran: whatever the handler started afterwards must not play on.
        if (wave_) wave_->SetPlayCommand(kWavStop);
        Timer1.stop();
        return;
    }
    PaintState();
}

void Playing::ProcessEvents() {
    PaintState();
    QApplication::processEvents();
}

void Playing::PaintState() {
    if (!transport_) return;
    const TransportLooks& l = transport_->Looks;
    SetTextColour(Cmd_Loop, l.Cmd_Loop);
    SetTextColour(Cmd_PlayClip, l.Cmd_PlayClip);
    SetTextColour(Cmd_Play, l.Cmd_Play);
    SetTextColour(Cmd_Pause, l.Cmd_Pause);
    SetTextColour(Cmd_Stop, l.Cmd_Stop);
    SetTextColour(Cmd_Prev, l.Cmd_Prev);
    SetTextColour(Cmd_Next, l.Cmd_Next);
    Copy->setEnabled(transport_->CopyEnabled);
    O_WAV->cursorX = transport_->CursorX;
    O_WAV->cursorVisible = transport_->CursorVisible;
    O_WAV->box = box_;
    O_WAV->update();
    if (unloaded_) return;
    if (transport_->TimerEnabled && !Timer1.isActive())
        Timer1.start();
    else if (!transport_->TimerEnabled && Timer1.isActive())
        Timer1.stop();
}

bool Playing::Playing_() const {
    if (!transport_) return false;
    return transport_->Looks.Cmd_Pause != ButtonColour::Red &&
           transport_->Looks.Cmd_Stop != ButtonColour::Red;
}

bool Playing::Audible() const {
    const auto* real = dynamic_cast<const SoundWaveControl*>(wave_.get());
    return !real || real->Audible() || real->PlayState() != kWavPlay;
}

// ---------------------------------------------------------------------------------------------
// Transport buttons

void Playing::Cmd_Play_Click() {
    Run([this] { transport_->Play(); });
    if (!Audible()) P_Help->setText(QLatin1String(kSilentText));
}
void Playing::Cmd_PlayClip_Click() {
    Run([this] { transport_->PlayClip(); });
}
void Playing::Cmd_Loop_Click() {
    Run([this] { transport_->Loop(); });
}
void Playing::Cmd_Pause_Click() {
    Run([this] { transport_->Pause(); });
}
void Playing::Cmd_Stop_Click() {
    Run([this] { transport_->Stop(); });
}
void Playing::Cmd_Next_Click() {
    Run([this] { transport_->Next(); });
}
void Playing::Cmd_Prev_Click() {
    Run([this] { transport_->Prev(); });
}

void Playing::Timer1_Timer() {
    if (!transport_ || unloaded_) return;
    transport_->TimerTick();
    O_WAV->cursorX = transport_->CursorX;
    O_WAV->update();
}

// ---------------------------------------------------------------------------------------------
// The current clip

void Playing::ShowClip(int clip) {
    AppState& s = S();
    const ClipTable& t = s.Table;
    if (clip < 1 || clip > t.ClipLine.Count()) return;
    const std::string_view line = t.ClipLine[clip];
    s.SelectedClip = clip;
    readouts_ = MakeClipReadouts(line);
    P_FileName->setText(Qs(readouts_.FileName));
    P_Chnl->setText(Qs(readouts_.Chnl));
    P_Freq->setText(Qs(readouts_.Freq));
    P_StartTime->setText(Qs(readouts_.StartTime));
    P_StopTime->setText(Qs(readouts_.StopTime));
    P_Level->setText(Qs(readouts_.Level));
    ShowSignalMatch();
    HighlightClip(clip);
}

std::string Playing::ClipFilePath(int clip) const {
    const AppState& s = *host_.state;
    const ClipTable& t = s.Table;
    if (clip < 1 || clip > t.ClipLine.Count()) return {};
    const std::string_view name = ClipLineField(t.ClipLine[clip], 1);
    if (name.empty()) return {};
    const std::string path = s.EventFolder + std::string(name);
    if (FileExists(path)) return path;
    // Clip names come from equipment that ignores case.
    if (const std::optional<std::string> found = FindPathNoCase(path); found && FileExists(*found))
        return *found;
    return {};
}

// Shape1 over the clip in the summary picture, in picture units.
void Playing::HighlightClip(int clip) {
    Overall* o = Summary();
    if (!o) return;
    const AppState& s = *host_.state;
    const ClipTable& t = s.Table;
    const std::string_view line = t.ClipLine[clip];
    const ClipPlace place = static_cast<std::size_t>(clip) < t.Place.size()
                                ? t.Place[static_cast<std::size_t>(clip)]
                                : ClipPlace{};
    const auto seg = static_cast<std::size_t>(std::max(s.SelectedSegment, 0));
    const double segStart = seg < s.Segments.start.size() ? s.Segments.start[seg] : 0.0;
    const double spu = std::max(1, t.SecondsPerUnit);
    const std::optional<double> start = ToDate(ClipLineField(line, 4));
    const std::optional<double> stop = ToDate(ClipLineField(line, 5));
    double left = place.x1, width = place.x2 - place.x1;
    if (start && stop) {
        left = RoundToInt16Clamped((*start - segStart) * 86400.0 / spu);
        width = RoundToInt16Clamped((*stop - *start) * 86400.0 / spu);
    }
    width += o->O_Picture->ScaleWidth() / 500.0;
    // The clip's own row: for a PRIORITY clip its channel, for the others its frequency's row.
    const double top = std::max(place.row, 1) - 1;
    const double height = t.RowCount > 50 ? 50.0 / 300.0 + 1 : o->O_Picture->ScaleHeight() / 300.0 + 1;
    PictureShape& shape = o->O_Picture->Shape1;
    shape.x1 = left;
    shape.x2 = left + width;
    shape.y1 = top;
    shape.y2 = top + height;
    shape.visible = place.row > 0 || (start && stop);
    o->O_Picture->UpdateOverlays();
}

// ---------------------------------------------------------------------------------------------
// Locking the other windows

void Playing::LockOtherWindows() {
    if (!loaded_ || unloaded_) return;
    if (Overall* o = Summary()) {
        o->Play->setEnabled(false);
        for (QRadioButton* b : o->Play_Opt)
            b->setEnabled(false);
    }
    if (host_.lockMainWindow) host_.lockMainWindow(true);
}

void Playing::UnlockOtherWindows() {
    if (!loaded_) return;
    if (Overall* o = Summary()) {
        o->Play->setEnabled(true);
        for (QRadioButton* b : o->Play_Opt)
            b->setEnabled(true);
    }
    if (host_.lockMainWindow) host_.lockMainWindow(false);
}

// ---------------------------------------------------------------------------------------------
// Waveform

void Playing::ShowPlotText(std::string_view text) {
    L_PlotFile->setText(Qs(text));
    L_PlotFile->adjustSize();
    L_PlotFile->show();
    L_PlotFile->raise();
}

void Playing::LoadWaveform() {
    transport_->ClearMarks();
    box_.visible = false;
    O_WAV->box = box_;
    if (!WAV_Display_On->isChecked()) return;
    ShowPlotText(kLoadingText);
    const std::string path = wave_->WavFileName();
    const bool exists = !ClipFilePath(S().SelectedClip).empty();
    if (path.empty() || !exists) {
        // The previous drawing stays beneath the label.
        ShowPlotText(exists ? kFileNotPlayableText : kFileNotFoundText);
        return;
    }
    L_PlotFile->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Waveform w = ReadWaveform(path, ScreenDpi());
    QApplication::restoreOverrideCursor();
    if (w.state != WavFileState::Playable) {
        wave_->SetWavFileName("");
        transport_->CopyEnabled = false;
        ShowPlotText(w.state == WavFileState::Missing ? kFileNotFoundText : kFileNotPlayableText);
        PaintState();
        return;
    }
    layout_ = w.layout;
    S().WavUnitWidth = layout_.unitWidth;
    O_WAV->resize(Px(static_cast<int>(std::lround(layout_.pictureWidth))), Px(layout_.pictureHeight));
    O_WAV->move(0, 0);
    Scrl_WAV->setPageStep(std::max<int>(1, layout_.largeChange));
    Scrl_WAV->setSingleStep(std::max<int>(1, layout_.smallChange));
    Scrl_WAV->setVisible(layout_.scrollBar);
    O_WAV->SetWave(MergeColumns(w.columns, layout_.unitWidth), static_cast<double>(layout_.columns));
    const QSignalBlocker block(Scrl_WAV);
    Scrl_WAV->setValue(0);
}

Marks Playing::CurrentMarks() const {
    Marks m;
    m.start = transport_->MarkStart;
    m.stop = transport_->MarkStop;
    m.playStart = transport_->PlayStart;
    m.playEnd = transport_->PlayEnd;
    m.box = box_;
    return m;
}

void Playing::SyncMarks(const Marks& m) {
    transport_->MarkStart = m.start;
    transport_->MarkStop = m.stop;
    transport_->PlayStart = m.playStart;
    transport_->PlayEnd = m.playEnd;
    box_ = m.box;
}

void Playing::PressWave(Qt::MouseButton button, double x) {
    if (!transport_ || !transport_->HasClips()) return;
    Marks m = CurrentMarks();
    const MarkScale scale{O_WAV->ScaleWidth(), layout_.unitWidth, wave_->WavLength()};
    const RangeButtons r = PressMark(m, ToMouseButton(button), x, scale, wave_->PlayState() == kWavPlay);
    SyncMarks(m);
    if (r == RangeButtons::Available)
        transport_->Looks.Cmd_PlayClip = transport_->Looks.Cmd_Loop = ButtonColour::Black;
    else if (r == RangeButtons::Unavailable)
        transport_->Looks.Cmd_PlayClip = transport_->Looks.Cmd_Loop = ButtonColour::Grey;
    PaintState();
}

void Playing::Cmd_Refresh_Click() {
    if (!transport_) return;
    Marks m = CurrentMarks();
    ClearMarks(m);
    SyncMarks(m);
    transport_->ClearMarks();
    PaintState();
}

void Playing::Scrl_WAV_Change(int value) {
    O_WAV->move(Px(static_cast<int>(std::lround(PictureLeft(value, layout_)))), 0);
}

void Playing::WAV_Display_On_Click() {
    AppState& s = S();
    WAV_Display_On->setChecked(!WAV_Display_On->isChecked());
    if (WAV_Display_On->isChecked()) {
        if (transport_) LoadWaveform();
        s.WavDisplayOn = true;
    } else {
        s.WavDisplayOn = false;
        O_WAV->Clear();
        L_PlotFile->setText(QString());
    }
    if (transport_) PaintState();
    const std::string bandwidth = FormatNumber(s.DefaultIfbw * 1000.0, "0");
    if (const FileResult r = WriteConfig(s.ProgramFolder, s.WavDisplayOn, bandwidth); !r && host_.prompter)
        host_.prompter->Message(kDisplaySwitchTitle,
                                "The WAV display setting could not be stored in the configuration file: " +
                                    r.error + ".  It applies until the program ends.",
                                MsgIcon::Exclamation, MsgButtons::Ok);
}

// ---------------------------------------------------------------------------------------------
// Class, comment and send

SigRoll* Playing::SignalListWindow() const {
    if (unloaded_ || !host_.signalList) return nullptr;
    return host_.signalList();
}

void Playing::ShowClassTools(bool visible) {
    for (QRadioButton* b : Clip_Status)
        b->setVisible(visible);
    P_Comment->setVisible(visible);
}

void Playing::SetCommentListed(bool listed) {
    QPalette p = P_Comment->palette();
    p.setColor(QPalette::Base, listed ? kListedColour : kEditedColour);
    P_Comment->setPalette(p);
}

void Playing::SelectClass(SignalClass cls) {
    Clip_Status[static_cast<std::size_t>(cls)]->setChecked(true);
}

SignalClass Playing::SelectedClass() const {
    if (Clip_Status[0]->isChecked()) return SignalClass::Soi;
    if (Clip_Status[1]->isChecked()) return SignalClass::Ids;
    return SignalClass::Unknown;
}

void Playing::ShowSignalMatch() {
    const AppState& s = *host_.state;
    SigRoll* sig = SignalListWindow();
    const SignalList empty;
    const SignalList& list = sig ? sig->List() : empty;
    const SignalBands bands(list);
    SignalMatchInput in;
    const std::string freq = Bytes(P_Freq->text());
    const std::string chnl = Bytes(P_Chnl->text());
    in.freqCaption = freq;
    in.chnlCaption = chnl;
    in.table = &s.Table;
    in.defaultIfbw = s.DefaultIfbw;
    const SignalMatch m = zarn::ShowSignalMatch(in, list, bands);
    if (sig) {
        sig->UnhighlightAll();
        sig->SetCurrent(-1);
    }
    if (m.entry) {
        SelectClass(m.cls);
        SetCommentListed(true);
        P_Comment->setText(Qs(m.comment));
        ShowClassTools(true);
        if (sig) {
            sig->SetHighlighted(*m.entry, true);
            sig->SetCurrent(*m.entry);
        }
    } else {
        ShowClassTools(false);
    }
    if (Overall* o = Summary()) o->S_IFBW->setText(Qs(m.ifbwText));
    ifbwText_ = m.ifbwText;
}

void Playing::PauseForEdit(bool clearFlag) {
    Cmd_Pause_Click();
    if (clearFlag) ClassClickFlag = false;
    ProcessEvents();
}

void Playing::ClassOptionClicked(int) {
    const ClassChangeSteps steps = ClassChange(true, Playing_(), !P_Comment->isHidden());
    if (steps.pause) PauseForEdit(true);
    if (steps.send) SendToSignalList(SendMode::Replace);
}

void Playing::Comments_Click() {
    if (Playing_()) PauseForEdit(false);
    ClassClickFlag = false;
    if (P_Comment->isHidden()) {
        SelectClass(SignalClass::Unknown);
        ShowClassTools(true);
    }
    SendToSignalList(SendMode::Ask);
}

std::string Playing::IfbwCaption() const {
    if (Overall* o = Summary()) return Bytes(o->S_IFBW->text());
    return ifbwText_;
}

void Playing::SendToSignalList(SendMode mode) {
    SigRoll* sig = SignalListWindow();
    if (!sig) return;
    const std::string freq = Bytes(P_Freq->text());
    const std::string ifbw = IfbwCaption();
    const std::string comment = Bytes(P_Comment->text());
    const SendFields fields{freq, ifbw, SelectedClass(), comment};
    const SendPlan plan = PlanSend(sig->List(), fields, mode);
    if (plan.refused) {
        if (host_.prompter) host_.prompter->Beep();
        return;
    }
    SetCommentListed(true);
    sig->UnhighlightAll();
    if (plan.slot.conflict) sig->SetHighlighted(*plan.slot.conflict, true);
    bool yes = true;
    if (plan.question && host_.prompter)
        yes = host_.prompter->Message(plan.question->title, plan.question->text, MsgIcon::Question,
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
    if (Overall* o = Summary()) o->C_Status->setText(Qs(out.statusText));
    // A list that cannot be written is reported there and kept; the entry stays in it.
    sig->SaveList();
}

bool Playing::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::MouseMove) {
        if (const QVariant help = watched->property("helpText");
            help.isValid() && P_Help->text() != help.toString())
            P_Help->setText(help.toString());
        if (watched == P_Comment || watched == Comments) ClassClickFlag = false;
        for (QRadioButton* b : Clip_Status)
            if (watched == b) ClassClickFlag = true;
    }
    if (watched == P_Comment && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
        if (type == QEvent::MouseButtonPress && Playing_() && S().PlayerLoaded) {
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
                    P_Comment->insert(Qs(std::string(1, steps.typed)));
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

void Playing::CopyClipReport() {
    const std::string report =
        ClipReport(S().CollectionType, readouts_, IfbwCaption(), Bytes(P_Comment->text()));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Qs(report));
}

void Playing::CopyWaveFile() {
    if (!host_.prompter || !transport_) return;
    const std::string name = Bytes(P_FileName->text());
    const std::optional<std::string> chosen = host_.prompter->SaveFile(CopyWaveRequest(name));
    if (!chosen) return;
    const std::string destination = CopyWaveDestination(*chosen);
    const std::string source = ClipFilePath(S().SelectedClip);
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
        host_.prompter->Message(kCopyWaveTitle,
                                "The clip could not be copied to " + destination + ": " + r.error + ".",
                                MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace zarn
