#include "overall.h"

#include "dates.h"
#include "eventline.h"
#include "formats.h"
#include "window_chrome.h"
#include "latin1.h"
#include "numbers.h"
#include "paths.h"
#include "segment_split.h"
#include "sig_roll.h"
#include "signal_bands.h"
#include "textfile.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// The window is its client area plus these twips of frame and caption.
constexpr int kFrameWidthTw = 120;
constexpr int kFrameHeightTw = 390;
constexpr int kMinWindowWidthTw = 7770;
constexpr int kRowHeightTw = 90;
constexpr int kBelowMainOverlapTw = 15;
// Before the first placement: wide enough for every play control, as high as the form's design.
constexpr int kDesignWidthTw = 10455;
constexpr int kDesignHeightTw = 5850;

constexpr int kPanel1TopTw = 330;
constexpr int kPBoxLeftTw = 30, kPBoxTopTw = 300;
constexpr int kStatusHeightTw = 285;
constexpr int kReadoutTopTw = 30, kReadoutHeightTw = 255;
constexpr int kSFreqLeftTw = 60, kSFreqWidthTw = 1305;
constexpr int kSLevelLeftTw = 1380, kSLevelWidthTw = 960;
constexpr int kCStatusLeftTw = 2355;
constexpr int kTimeWidthTw = 1740;
constexpr int kIfbwWidthTw = 2055;
constexpr int kCLevelRightTw = 3120 + 960;

constexpr const char* kTooManyTitle = "Too many frequencies";
constexpr const char* kTooManyText =
    "The selected segment includes too many signal frequencies to be presented as a single segment.  "
    "Can it be broken into smaller segments, the first of which will be presented?";
constexpr const char* kRowsCappedText =
    "The maximum number of 32,767 audio clips has been exceeded, the remaining clips can not be displayed";


QLabel* MakePanel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setFont(PanelFont());
    l->setAlignment(Qt::AlignCenter);
    return l;
}

std::string Text(const QLabel* l) {
    return Bytes(l->text());
}

// The frequency a readout shows after its "F:  ".
double FrequencyOf(const QLabel* l) {
    const std::string t = Text(l);
    return LeadingNumber(std::string_view(t).substr(std::min<std::size_t>(4, t.size())));
}

// The number a readout holds after its first `skip` characters ("Track#  012" -> 12).
int NumberAfter(const QLabel* l, std::size_t skip) {
    const std::string t = Text(l);
    return RoundToInt16Clamped(LeadingNumber(std::string_view(t).substr(std::min(skip, t.size()))));
}

std::string CaptionPrefix(CollectionType type) {
    switch (type) {
    case CollectionType::Priority:
        return "PRIORITY Audio Clips Summary Picture, <Segment_";
    case CollectionType::Spectral:
        return "SPECTRAL Audio Clips Summary Picture, <Segment_";
    case CollectionType::Netora:
        break;
    }
    return "NETORA Audio Clips Summary Picture, <Segment_";
}

std::string SkippedNotice(int skipped) {
    if (skipped == 1) return "1 clip of this segment has no place in the picture and is not shown";
    return std::to_string(skipped) + " clips of this segment have no place in the picture and are not shown";
}

} // namespace

Overall::Overall(OverallHost host, QWidget* parent) : QWidget(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("Overall"));
    setFont(PanelFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowGrey);
    // Greyed captions must stay readable on the grey window.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    setPalette(pal);
    setAutoFillBackground(true);

    Play = new QPushButton(QStringLiteral("Play"), this);
    Play->setObjectName(QStringLiteral("Play"));
    SetTw(Play, 0, 0, 1000, 330);

    Panel2 = MakeFrame(this, "Panel2");
    SetTw(Panel2, 1080, 0, 9255, 330);
    static constexpr std::array<int, 4> kOptLeft{0, 1100, 2200, 3220};
    static constexpr std::array<int, 4> kOptWidth{1110, 1110, 1110, 1080};
    static constexpr std::array<const char*, 4> kOptCaption{"Single Clip", "Time 1 - 2", "Channel#",
                                                            "Signal"};
    for (std::size_t i = 0; i < Play_Opt.size(); ++i) {
        Play_Opt[i] = new QRadioButton(QLatin1String(kOptCaption[i]), Panel2);
        Play_Opt[i]->setObjectName(QStringLiteral("Play_Opt_%1").arg(i));
        SetTw(Play_Opt[i], kOptLeft[i], 30, kOptWidth[i], 270);
    }
    Chk_time = new QCheckBox(QStringLiteral("Enable Time 1 - 2  Limit"), Panel2);
    Chk_time->setObjectName(QStringLiteral("Chk_time"));
    SetTw(Chk_time, 4200, 38, 1935, 255);
    Chk_Continue = new QCheckBox(QStringLiteral("Continue Playing by Channel#"), Panel2);
    Chk_Continue->setObjectName(QStringLiteral("Chk_Continue"));
    SetTw(Chk_Continue, 6360, 38, 2415, 255);
    Chk_Continue->setEnabled(false);
    FitCheckBoxes();

    Panel1 = MakeFrame(this, "Panel1");
    C_Time = MakePanel(Panel1, "C_Time");
    C_Freq = MakePanel(Panel1, "C_Freq");
    C_Level = MakePanel(Panel1, "C_Level");
    C_Chnl = MakePanel(Panel1, "C_Chnl");
    S_IFBW = MakePanel(Panel1, "S_IFBW");
    S_Freq = MakePanel(Panel1, "S_Freq");
    S_Level = MakePanel(Panel1, "S_Level");
    C_Status = MakePanel(Panel1, "C_Status");
    C_Status->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    S_T1 = MakePanel(Panel1, "S_T1");
    S_T2 = MakePanel(Panel1, "S_T2");
    S_Chnl = MakePanel(Panel1, "S_Chnl");
    C_Chnl->hide();
    S_Chnl->hide();

    L_Notice = new QLabel(Panel1);
    L_Notice->setObjectName(QStringLiteral("L_Notice"));
    L_Notice->setFont(PanelFont());
    L_Notice->setAlignment(Qt::AlignCenter);
    QPalette notice = L_Notice->palette();
    notice.setColor(QPalette::WindowText, QColor(128, 0, 0));
    L_Notice->setPalette(notice);
    L_Notice->hide();

    P_PBox = new QFrame(Panel1);
    P_PBox->setObjectName(QStringLiteral("P_PBox"));
    P_PBox->setFrameStyle(QFrame::NoFrame);
    O_Picture = new SummaryPicture(P_PBox);
    O_Picture->setObjectName(QStringLiteral("O_Picture"));
    O_Picture->L_T1 = {true, 0, QColor(0, 0, 255), false};
    O_Picture->L_T2 = {true, 0, QColor(255, 0, 0), false};
    O_Picture->L_ChnlA = {false, 0, QColor(255, 255, 255), false};
    O_Picture->L_ChnlB = {false, 0, QColor(255, 255, 255), false};
    Scrl_PBox = new QScrollBar(Qt::Vertical, P_PBox);
    Scrl_PBox->setObjectName(QStringLiteral("Scrl_PBox"));
    Scrl_PBox->hide();

    connect(Play, &QPushButton::clicked, this, &Overall::Play_Click);
    for (std::size_t i = 0; i < Play_Opt.size(); ++i)
        connect(Play_Opt[i], &QRadioButton::clicked, this,
                [this, i] { Play_Opt_Click(static_cast<int>(i)); });
    connect(Chk_time, &QCheckBox::clicked, this, &Overall::Chk_time_Click);
    connect(Scrl_PBox, &QScrollBar::valueChanged, this, &Overall::ScrollChanged);
    O_Picture->onMove = [this](double x, double y) { Hover(x, y); };
    O_Picture->onPress = [this](int button, double x, double y) { Click(button, x, y); };
    O_Picture->onDoubleClick = [this] { DoubleClick(); };

    resize(Px(kDesignWidthTw - kFrameWidthTw), Px(kDesignHeightTw - kFrameHeightTw));
    LayoutAndDraw();
}

Overall::~Overall() = default;

// ---------------------------------------------------------------------------------------------
// Loading

bool Overall::Load() {
    AppState& s = S();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int seg = s.SelectedSegment;
    const SegmentTable& segs = s.Segments;
    const bool segKnown = seg >= 1 && seg <= segs.segCount &&
                          static_cast<std::size_t>(seg) < segs.start.size() &&
                          static_cast<std::size_t>(seg) < segs.stop.size() &&
                          static_cast<std::size_t>(seg) < segs.clipCount.size() &&
                          static_cast<std::size_t>(seg) < segs.maxNumber.size();

    std::string audText, eventText;
    const std::optional<std::string> audPath = FindPathNoCase(AudFileName(s.EventFileName));
    const bool audRead = audPath && ReadFileBytes(*audPath, audText);
    const bool eventRead = static_cast<bool>(ReadFileBytes(s.EventFileName, eventText));

    const SigRoll* list = SignalListWindow();
    const SignalBands bands = list ? SignalBands(list->List()) : SignalBands();

    ClipTableInput in;
    in.audExists = audRead;
    in.audText = audText;
    in.eventText = eventText;
    in.selectedSegment = seg;
    in.defaultIfbw = s.DefaultIfbw;
    in.signalBands = &bands;
    if (segKnown) {
        const auto k = static_cast<std::size_t>(seg);
        in.segStart = segs.start[k];
        in.segStop = segs.stop[k];
        // An unreadable file has no clips to give: the picture stands empty.
        in.segClipCount = eventRead ? segs.clipCount[k] : 0;
        in.segMaxNumber = segs.maxNumber[k];
    }
    const int secondsPerUnit = ComputeTimeScale((in.segStop - in.segStart) * 86400.0).secondsPerUnit;

    ClipTableHooks hooks;
    hooks.activity = [this](const char* caption) {
        if (host_.progressActivity) host_.progressActivity(caption);
        // Repaints only: a Close or a second Open taken now would unload this window mid-load.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.progress = [this](int percent) {
        if (host_.progressPercent) host_.progressPercent(percent);
    };
    hooks.tooMany = [&](int clip) {
        const MsgAnswer answer =
            host_.prompter->Message(kTooManyTitle, kTooManyText, MsgIcon::Question, MsgButtons::OkCancel);
        if (answer != MsgAnswer::Ok) return TooManyAnswer::Decline;
        const SplitResult split = SplitSegment(s.EventFileName, seg, clip, in.segStart, secondsPerUnit);
        if (!split.ok) {
            // The first part is shown all the same; only the file keeps its one long segment.
            host_.prompter->Message(kTooManyTitle,
                                    "The segment could not be split: " + split.error +
                                        ".  The audio event file is unchanged.",
                                    MsgIcon::Exclamation, MsgButtons::Ok);
        }
        return TooManyAnswer::Split;
    };

    ClipTable table = BuildClipTable(in, hooks);
    if (table.Declined) {
        if (host_.progressDone) host_.progressDone();
        QApplication::restoreOverrideCursor();
        return false;
    }
    if (table.RowsCapped) host_.prompter->Message("", kRowsCappedText, MsgIcon::None, MsgButtons::Ok);
    // The segment table must agree with the clips kept, for the export and the next load alike.
    if (table.Split && segKnown) s.Segments.clipCount[static_cast<std::size_t>(seg)] = table.ClipCount;

    Present(std::move(table), eventRead ? std::string() : "The audio event file could not be read");
    show();
    if (host_.progressDone) host_.progressDone();
    QApplication::restoreOverrideCursor();
    return true;
}

void Overall::Present(ClipTable table, const std::string& notice) {
    AppState& s = S();
    s.Table = std::move(table);
    s.CollectionType = s.Table.Type;
    s.SummaryLoaded = true;
    loaded_ = true;

    const CollectionType type = s.Table.Type;
    const bool priority = type == CollectionType::Priority;
    setWindowTitle(Qs(CaptionPrefix(type) + FormatNumber(s.SelectedSegment, "00") + ">"));
    Play_Opt[kRow]->setText(priority ? QStringLiteral("Channel#") : QStringLiteral("Signal"));
    Play_Opt[kSignal]->setVisible(priority);
    Chk_Continue->setText(priority ? QStringLiteral("Continue Playing by Channel#")
                                   : QStringLiteral("Continue Playing by Signal"));
    FitCheckBoxes();
    S_IFBW->setVisible(type != CollectionType::Netora);

    std::string line = notice;
    if (s.Table.Skipped > 0) line += (line.empty() ? "" : "; ") + SkippedNotice(s.Table.Skipped);
    L_Notice->setToolTip(Qs(line));
    L_Notice->setVisible(!line.empty());

    O_Picture->SetBars(BarsOf(s.Table));
    s.SelectedClip = 1;
    SelectedRow = 1;
    HoverClip = 0;
    T1 = 0;
    const double w = UnitWidth();
    T2 = w - w / 501;
    Play_Opt[kSingleClip]->setChecked(true);
    PlayOption = kSingleClip;
    Chk_Continue->setEnabled(false);

    setMinimumSize(Px(kMinWindowWidthTw - kFrameWidthTw),
                   Px(MinimumHeightTw(s.Table.RowCount) - kFrameHeightTw));
    ApplyPlacement();
    LayoutAndDraw();
}

// The form's widths were made for a narrower font: a caption that does not fit widens its box, and
// what follows moves right, so no caption is cut.
void Overall::FitCheckBoxes() {
    const int gap = Px(60);
    Chk_time->resize(std::max(Px(1935), Chk_time->sizeHint().width()), Chk_time->height());
    const int continueLeft = std::max(Px(6360), Chk_time->geometry().right() + gap);
    Chk_Continue->setGeometry(continueLeft, Chk_Continue->y(),
                              std::max(Px(2415), Chk_Continue->sizeHint().width()), Chk_Continue->height());
    Panel2->resize(std::max(Px(9255), Chk_Continue->geometry().right() + gap), Panel2->height());
}

int Overall::MinimumHeightTw(long rowCount) {
    if (rowCount > 50) return 5820;
    return static_cast<int>(std::max(rowCount, 0L)) * kRowHeightTw + 1320;
}

SigRoll* Overall::SignalListWindow() const {
    return host_.signalList ? host_.signalList() : nullptr;
}

// Under the main window and as wide as it; as high as the design or the rows ask, whichever is more.
void Overall::ApplyPlacement() {
    const QWidget* main = host_.mainWindow ? host_.mainWindow() : nullptr;
    if (!main) return;
    const int extraW = frameGeometry().width() - geometry().width();
    const QRect bar = main->frameGeometry();
    move(bar.left(), bar.top() + bar.height() - Px(kBelowMainOverlapTw));
    resize(std::max(bar.width() - extraW, minimumWidth()), height());
}

void Overall::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

void Overall::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutAndDraw();
}

void Overall::LayoutAndDraw() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const long rows = Table().RowCount;
    const int windowW = std::max(Tw(width()) + kFrameWidthTw, kMinWindowWidthTw);
    const int windowH = std::max(Tw(height()) + kFrameHeightTw, MinimumHeightTw(rows));

    panel1WidthTw_ = windowW - 120;
    panel1HeightTw_ = windowH - 720;
    SetTw(Panel1, 0, kPanel1TopTw, panel1WidthTw_, panel1HeightTw_);
    const int boxW = panel1WidthTw_ - 75;
    const int boxH = panel1HeightTw_ - 600;
    statusTopTw_ = panel1HeightTw_ - kStatusHeightTw - 15;
    SetTw(P_PBox, kPBoxLeftTw, kPBoxTopTw, boxW, boxH);

    const int scrollW = Tw(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    int pictureW = boxW;
    if (boxH >= rows * kRowHeightTw) {
        SetTw(O_Picture, 0, 0, pictureW, boxH);
        Scrl_PBox->hide();
    } else {
        pictureW = boxW - scrollW;
        // Picture rows of 90 twips each, as one widget of whole rows that the scroll bar moves.
        O_Picture->setGeometry(
            0, 0, Px(pictureW),
            static_cast<int>(std::lround(rows * kRowHeightTw * ScreenDpi() / kTwipsPerInch)));
        const QSignalBlocker quiet(Scrl_PBox);
        const int visibleRows = static_cast<int>(std::lround(static_cast<double>(boxH) / kRowHeightTw));
        Scrl_PBox->setRange(0, static_cast<int>(std::max(rows - visibleRows, 0L)));
        Scrl_PBox->setPageStep(std::max(visibleRows, 1));
        Scrl_PBox->setValue(0);
        Scrl_PBox->show();
    }
    SetTw(Scrl_PBox, boxW - scrollW, 0, scrollW, boxH);

    SetTw(C_Time, 60, kReadoutTopTw, kTimeWidthTw, kReadoutHeightTw);
    SetTw(C_Chnl, 60, kReadoutTopTw, kTimeWidthTw, kReadoutHeightTw);
    SetTw(C_Freq, 1815, kReadoutTopTw, 1305, kReadoutHeightTw);
    SetTw(C_Level, 3120, kReadoutTopTw, 960, kReadoutHeightTw);
    SetTw(S_IFBW, panel1WidthTw_ - kIfbwWidthTw - 30, kReadoutTopTw, kIfbwWidthTw, kReadoutHeightTw);
    SetTw(S_Chnl, kSFreqLeftTw, statusTopTw_, kSFreqWidthTw, kStatusHeightTw);
    SetTw(S_Freq, kSFreqLeftTw, statusTopTw_, kSFreqWidthTw, kStatusHeightTw);
    SetTw(S_Level, kSLevelLeftTw, statusTopTw_, kSLevelWidthTw, kStatusHeightTw);
    PlaceStatusRow(3135);
    LayoutNotice();

    O_Picture->SetScale(UnitWidth(), static_cast<double>(std::max(rows, 1L)));
    O_Picture->Redraw();
    laidOut_ = true;

    const int option = CheckedOption();
    if (option >= 0 && loaded_) ApplyPlayOption(option);
}

// S_T2 at the right edge, S_T1 at `t1LeftTw`, C_Status between S_Level and S_T1.
void Overall::PlaceStatusRow(int t1LeftTw) {
    SetTw(S_T2, panel1WidthTw_ - kTimeWidthTw - 30, statusTopTw_, kTimeWidthTw, kStatusHeightTw);
    SetTw(S_T1, t1LeftTw, statusTopTw_, kTimeWidthTw, kStatusHeightTw);
    SetTw(C_Status, kCStatusLeftTw, statusTopTw_, t1LeftTw - kCStatusLeftTw - 15, kStatusHeightTw);
}

// The notice fills the gap between the hover readouts and S_IFBW, cut short with "..." when the
// window is narrow; the whole text is in its tool tip.
void Overall::LayoutNotice() {
    const int left = kCLevelRightTw + 90;
    const int right = (S_IFBW->isHidden() ? panel1WidthTw_ - 30 : panel1WidthTw_ - kIfbwWidthTw - 30) - 90;
    SetTw(L_Notice, left, kReadoutTopTw, right - left, kReadoutHeightTw);
    L_Notice->setText(L_Notice->fontMetrics().elidedText(L_Notice->toolTip(), Qt::ElideRight,
                                                         std::max(L_Notice->width(), 0)));
}

void Overall::ScrollChanged(int value) {
    O_Picture->move(0, -static_cast<int>(std::lround(static_cast<double>(kRowHeightTw) * value * ScreenDpi() /
                                                     kTwipsPerInch)));
}

// ---------------------------------------------------------------------------------------------
// Readouts and selection

bool Overall::ValidClip(int clip) const {
    const ClipTable& t = Table();
    return clip >= 1 && clip <= t.ClipCount && clip <= t.ClipLine.Count() &&
           static_cast<std::size_t>(clip) < t.Place.size();
}

bool Overall::ValidRow(long row) const {
    return row >= 1 && row <= Table().RowCount && static_cast<std::size_t>(row) < Table().RowClips.size();
}

double Overall::SegStart() const {
    const AppState& s = *host_.state;
    const auto k = static_cast<std::size_t>(std::max(s.SelectedSegment, 0));
    return k < s.Segments.start.size() ? s.Segments.start[k] : 0.0;
}

double Overall::SegStop() const {
    const AppState& s = *host_.state;
    const auto k = static_cast<std::size_t>(std::max(s.SelectedSegment, 0));
    return k < s.Segments.stop.size() ? s.Segments.stop[k] : 0.0;
}

double Overall::UnitWidth() const {
    return Table().ScaleWidth > 0 ? Table().ScaleWidth : 1.0;
}

int Overall::CheckedOption() const {
    for (std::size_t i = 0; i < Play_Opt.size(); ++i)
        if (Play_Opt[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void Overall::Hover(double x, double y) {
    const ClipTable& t = Table();
    const int row = RowOfY(y, t.RowCount);
    C_Chnl->setText(Qs(RowText(t.Type, row, false)));
    C_Time->setText(Qs(TimeText("T:  ", TimeOfX(x, SegStart(), t.SecondsPerUnit))));
    HoverClip = ValidRow(row) ? HoverClipOf(t.RowClips[static_cast<std::size_t>(row)], x, UnitWidth()) : 0;
    if (!ValidClip(HoverClip)) {
        HoverClip = 0;
        C_Freq->clear();
        C_Level->clear();
        return;
    }
    C_Freq->setText(Qs(FreqText(LeadingNumber(ClipField(t, HoverClip, 2)))));
    C_Level->setText(Qs(HoverLevelText(ClipField(t, HoverClip, 5))));
}

void Overall::Click(int button, double x, double y) {
    AppState& s = S();
    if (s.PlayerLoaded && host_.unloadPlayer) host_.unloadPlayer();
    const ClipTable& t = Table();
    switch (CheckedOption()) {
    case kSingleClip:
        if (!ValidClip(HoverClip)) return;
        s.SelectedClip = HoverClip;
        FrameClip(HoverClip, false);
        ClipReadouts(HoverClip);
        ShowSignalAttributes();
        break;
    case kTimeLimits:
        if (button == 1) {
            T1 = x;
            O_Picture->L_T1.at = x;
            S_T1->setText(Qs(TimeText("T1:  ", TimeOfX(x, SegStart(), t.SecondsPerUnit))));
        } else {
            T2 = x;
            O_Picture->L_T2.at = x;
            S_T2->setText(Qs(TimeText("T2:  ", TimeOfX(x, SegStart(), t.SecondsPerUnit))));
        }
        O_Picture->UpdateOverlays();
        break;
    case kRow: {
        SelectedRow = RowOfY(y, t.RowCount);
        S_Chnl->setText(Qs(RowText(t.Type, SelectedRow, true)));
        FrameRow(SelectedRow);
        const bool hasClips =
            ValidRow(SelectedRow) && !t.RowClips[static_cast<std::size_t>(SelectedRow)].empty();
        const int first = hasClips ? t.RowClips[static_cast<std::size_t>(SelectedRow)].front().clip : 0;
        if (!ValidClip(first)) {
            S_Freq->setText(Qs(kNoFreqText));
            break;
        }
        s.SelectedClip = first;
        S_Freq->setText(Qs(FreqText(LeadingNumber(ClipField(t, first, 2)))));
        break;
    }
    case kSignal: {
        int clip = HoverClip;
        if (!ValidClip(clip)) {
            // Away from a clip: the first clip of the row under the pointer. A row without clips
            // offers nothing to select, and the selection stays as it was.
            const int row = NumberAfter(C_Chnl, 6);
            clip = ValidRow(row) && !t.RowClips[static_cast<std::size_t>(row)].empty()
                       ? t.RowClips[static_cast<std::size_t>(row)].front().clip
                       : 0;
            if (!ValidClip(clip)) return;
        }
        s.SelectedClip = clip;
        FrameClip(clip, Chk_time->isChecked());
        ClipReadouts(clip);
        ShowSignalAttributes();
        break;
    }
    default:
        break;
    }
}

// The cursor lines on the clip: T lines at its start and stop (or at T1 and T2), row lines
// around its row.
void Overall::FrameClip(int clip, bool atLimits) {
    if (!ValidClip(clip)) return;
    const ClipPlace& p = Table().Place[static_cast<std::size_t>(clip)];
    O_Picture->L_T1.at = atLimits ? T1 : p.x1;
    O_Picture->L_T2.at = atLimits ? T2 : p.x2;
    FrameRow(p.row);
}

void Overall::FrameRow(int row) {
    O_Picture->L_ChnlA.at = row - 1;
    O_Picture->L_ChnlB.at = row;
    O_Picture->UpdateOverlays();
}

void Overall::ClipReadouts(int clip) {
    if (!ValidClip(clip)) return;
    const ClipTable& t = Table();
    const ClipPlace& p = t.Place[static_cast<std::size_t>(clip)];
    S_Chnl->setText(Qs(RowText(t.Type, p.row, true)));
    S_Freq->setText(Qs(FreqText(LeadingNumber(ClipField(t, clip, 2)))));
    S_Level->setText(Qs(SelectedLevelText(ClipField(t, clip, 5))));
    // A clip is placed only when its times convert; the units stand in otherwise.
    const double start = ToDate(ClipField(t, clip, 3)).value_or(TimeOfX(p.x1, SegStart(), t.SecondsPerUnit));
    const double stop = ToDate(ClipField(t, clip, 4)).value_or(TimeOfX(p.x2, SegStart(), t.SecondsPerUnit));
    S_T1->setText(Qs(TimeText("T1:  ", start)));
    S_T2->setText(Qs(TimeText("T2:  ", stop)));
    SelectedRow = p.row;
}

void Overall::ApplyPlayOption(int index) {
    if (index < kSingleClip || index > kSignal) return;
    const ClipTable& t = Table();
    SummaryPicture& pic = *O_Picture;
    const int t2Left = panel1WidthTw_ - kTimeWidthTw - 30;
    SetTw(S_IFBW, panel1WidthTw_ - kIfbwWidthTw - 30, kReadoutTopTw, kIfbwWidthTw, kReadoutHeightTw);

    if (index == kTimeLimits) {
        pic.L_ChnlA.visible = pic.L_ChnlB.visible = false;
        pic.L_T1 = {true, T1, pic.L_T1.colour, true};
        pic.L_T2 = {true, T2, pic.L_T2.colour, true};
        S_Freq->hide();
        S_Level->hide();
        C_Status->hide();
        PlaceStatusRow(45);
        S_T1->setText(Qs(TimeText("T1:  ", TimeOfX(T1, SegStart(), t.SecondsPerUnit))));
        S_T2->setText(Qs(TimeText("T2:  ", TimeOfX(T2, SegStart(), t.SecondsPerUnit))));
    } else if (index == kRow) {
        pic.L_ChnlA.visible = pic.L_ChnlB.visible = true;
        FrameRow(SelectedRow);
        const bool limits = Chk_time->isChecked();
        pic.L_T1 = {true, T1, pic.L_T1.colour, limits};
        pic.L_T2 = {true, T2, pic.L_T2.colour, limits};
        S_Chnl->setText(Qs(RowText(t.Type, SelectedRow, true)));
        const int first = ValidRow(SelectedRow) && !t.RowClips[static_cast<std::size_t>(SelectedRow)].empty()
                              ? t.RowClips[static_cast<std::size_t>(SelectedRow)].front().clip
                              : 0;
        S_Freq->setText(ValidClip(first) ? Qs(FreqText(LeadingNumber(ClipField(t, first, 2))))
                                         : Qs(kNoFreqText));
        S_Freq->show();
        S_T1->show();
        S_Level->hide();
        C_Status->hide();
        PlaceStatusRow(2340);
        S_T1->setText(Qs(TimeText("T1:  ", SegStart())));
        S_T2->setText(Qs(TimeText("T2:  ", SegStop())));
    } else {
        pic.L_T1.visible = pic.L_T2.visible = pic.L_ChnlA.visible = pic.L_ChnlB.visible = true;
        FrameClip(S().SelectedClip, index == kSignal && Chk_time->isChecked());
        S_Freq->show();
        S_Level->show();
        PlaceStatusRow(t2Left - kTimeWidthTw - 15);
        C_Status->show();
        ClipReadouts(S().SelectedClip);
    }
    S_T1->show();
    S_T2->show();
    LayoutNotice();
    pic.UpdateOverlays();
}

void Overall::ShowSignalAttributes() {
    const ClipTable& t = Table();
    double f = FrequencyOf(S_Freq);
    const int row = NumberAfter(S_Chnl, 6);

    long k = 1;
    if (t.Type == CollectionType::Priority) {
        k = row;
    } else if (t.Type == CollectionType::Spectral) {
        for (long r = 1; r <= t.RowCount && static_cast<std::size_t>(r) < t.RowLabel.size(); ++r) {
            const std::string_view label = t.RowLabel[static_cast<std::size_t>(r)];
            const double lo = LeadingNumber(label.substr(0, 11));
            const double hi = LeadingNumber(label.substr(label.size() > 11 ? label.size() - 11 : 0));
            if (lo <= f && f <= hi) {
                k = r;
                break;
            }
        }
    }
    const std::string_view mode = k >= 0 && static_cast<std::size_t>(k) < t.RowMode.size()
                                      ? std::string_view(t.RowMode[static_cast<std::size_t>(k)])
                                      : std::string_view();
    if (t.Type != CollectionType::Priority && row >= 1 &&
        static_cast<std::size_t>(row) <= t.RowFrequency.size())
        f = t.RowFrequency[static_cast<std::size_t>(row - 1)];

    SigRoll* window = SignalListWindow();
    const SignalBands bands = window ? SignalBands(window->List()) : SignalBands();
    if (const std::optional<int> hit = bands.Find(f)) {
        f = bands.Frequency(*hit);
        S_IFBW->setText(Qs(IfbwText(bands.Bandwidth(*hit), mode)));
    } else {
        S_IFBW->setText(Qs(IfbwText(S().DefaultIfbw, mode)));
    }

    C_Status->setText(Qs(kNoSignalStatus));
    if (!window) return;
    window->UnhighlightAll();
    window->SetCurrent(-1);
    if (const std::optional<int> hit = bands.Find(f)) {
        C_Status->setText(Qs(StatusText(window->List().Line(*hit))));
        window->SetHighlighted(*hit, true);
        window->SetCurrent(*hit);
    }
}

void Overall::Chk_time_Click() {
    SummaryPicture& pic = *O_Picture;
    const int option = CheckedOption();
    if (Chk_time->isChecked()) {
        pic.L_T1 = {true, T1, pic.L_T1.colour, true};
        pic.L_T2 = {true, T2, pic.L_T2.colour, true};
    } else if (option == kSingleClip || option == kSignal) {
        // These options frame the selected clip: unchecking brings the lines back to it.
        ApplyPlayOption(option);
    } else if (option != kTimeLimits) {
        pic.L_T1.visible = pic.L_T2.visible = false;
    }
    pic.UpdateOverlays();
}

// ---------------------------------------------------------------------------------------------
// Play controls and the play list

void Overall::Play_Opt_Click(int index) {
    if (index < kSingleClip || index > kSignal) return;
    if (!Play_Opt[static_cast<std::size_t>(index)]->isChecked())
        Play_Opt[static_cast<std::size_t>(index)]->setChecked(true);
    if (index != PlayOption) {
        ApplyPlayOption(index);
        PlayOption = index;
        if (S().PlayerLoaded && host_.unloadPlayer) host_.unloadPlayer();
    }
    Chk_Continue->setEnabled(index == kRow);
}

void Overall::Play_Click() {
    S().PlayListOnly = false;
    Play->setFocus();
    S().StopAfterClip = false;
    BuildPlayList();
}

void Overall::DoubleClick() {
    S().PlayListOnly = false;
    BuildPlayList();
}

bool Overall::BuildPlayList() {
    AppState& s = S();
    const ClipTable& t = Table();
    PlayChoice choice;
    choice.option = CheckedOption();
    choice.timeLimit = Chk_time->isChecked();
    choice.continueRows = Chk_Continue->isChecked();
    choice.selectedClip = s.SelectedClip;
    choice.selectedRow = SelectedRow;
    choice.t1 = T1;
    choice.t2 = T2;
    if (choice.option == kSignal) {
        double f = FrequencyOf(S_Freq);
        const int row = NumberAfter(S_Chnl, 6);
        if (t.Type != CollectionType::Priority && row >= 1 &&
            static_cast<std::size_t>(row) <= t.RowFrequency.size())
            f = t.RowFrequency[static_cast<std::size_t>(row - 1)];
        const SigRoll* window = SignalListWindow();
        choice.band = SignalBandOf(f, window ? SignalBands(window->List()) : SignalBands(), s.DefaultIfbw);
    }

    std::vector<int> list;
    if (choice.option >= kSingleClip && (choice.option != kSingleClip || ValidClip(choice.selectedClip)))
        list = zarn::BuildPlayList(t, choice);
    if (list.empty()) {
        // Nothing to play: the player stays as it was.
        host_.prompter->Beep();
        return false;
    }
    s.PlayList.assign(1, 0);
    s.PlayList.insert(s.PlayList.end(), list.begin(), list.end());
    s.PlayListCount = static_cast<int>(list.size());
    if (s.PlayerLoaded && host_.unloadPlayer) host_.unloadPlayer();
    if (!s.PlayListOnly && host_.showPlayer) host_.showPlayer();
    return true;
}

void Overall::closeEvent(QCloseEvent* event) {
    S().SummaryLoaded = false;
    if (host_.unloaded) host_.unloaded();
    QWidget::closeEvent(event);
}

} // namespace zarn
