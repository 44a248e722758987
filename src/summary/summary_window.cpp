#include "summary_window.h"

#include "indexed.h"
#include "dates.h"
#include "eventline.h"
#include "formats.h"
#include "window_chrome.h"
#include "latin1.h"
#include "numbers.h"
#include "paths.h"
#include "segment_split.h"
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
constexpr int kFrameWidthTw = kWindowFrameWidthTw;
constexpr int kFrameHeightTw = kWindowFrameHeightTw;
constexpr int kMinWindowWidthTw = 7770;
constexpr int kRowHeightTw = 90;
constexpr int kBelowMainOverlapTw = 15;
// Before the first placement: wide enough for every play control, as high as the window is designed.
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


// A readout: a sunken panel with its text centred.
QLabel* MakeReadout(QWidget* parent, const char* name) {
    return MakeLabel(parent, name, QString(), LabelLook().Sunken().Align(Qt::AlignCenter).Font(PanelFont()));
}

// The frequency as the "F:  0000.0000 M" readout rounds it.
double ShownMhz(double mhz) {
    return LeadingNumber(FormatNumber(mhz, "0000.0000"));
}

// The detection mode of the signal at `mhz`: the row's mode, for a PRIORITY picture the row of the
// readout, for a SPECTRAL one the row whose band holds the frequency, else the first row.
std::string_view ModeOfSignal(const ClipTable& t, double mhz, int row) {
    long k = 1;
    if (t.Type == CollectionType::Priority) {
        k = row;
    } else if (t.Type == CollectionType::Spectral) {
        for (long r = 1; r <= t.RowCount && Holds(t.RowLabel, r); ++r) {
            const std::string_view label = At(t.RowLabel, r);
            const double lo = LeadingNumber(label.substr(0, 11));
            const double hi = LeadingNumber(label.substr(label.size() > 11 ? label.size() - 11 : 0));
            if (lo <= mhz && mhz <= hi) {
                k = r;
                break;
            }
        }
    }
    return Holds(t.RowMode, k) ? std::string_view(At(t.RowMode, k))
                                                                     : std::string_view();
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

SummaryWindow::SummaryWindow(Models models, Prompter& prompter, std::function<SignalListPort*()> signalList,
                             const QWidget* bar, QWidget* parent)
    : QWidget(parent), models_(models), prompter_(prompter), signalList_(std::move(signalList)), bar_(bar) {
    setObjectName(QStringLiteral("Overall"));
    setFont(PanelFont());
    PaintWindowGrey(this, true);
    BuildPlayControls();
    BuildReadouts();
    BuildPicture();

    connect(&models_.selection, &SelectionModel::ifbwTextChanged, this,
            [this](const std::string& text) { sIfbw_->setText(Qs(text)); });
    connect(&models_.selection, &SelectionModel::statusTextChanged, this,
            [this](const std::string& text) { cStatus_->setText(Qs(text)); });
    connect(&models_.selection, &SelectionModel::highlightedClipChanged, this, &SummaryWindow::HighlightClip);
    connect(&models_.play, &PlayModel::playerLoadedChanged, this, &SummaryWindow::PlayerLoadedChanged);
    connect(&models_.play, &PlayModel::lockChanged, this, &SummaryWindow::LockChanged);

    resize(Px(kDesignWidthTw - kFrameWidthTw), Px(kDesignHeightTw - kFrameHeightTw));
    LayoutAndDraw();
}

void SummaryWindow::BuildPlayControls() {
    play_ = new QPushButton(QStringLiteral("Play"), this);
    play_->setObjectName(QStringLiteral("Play"));
    SetTw(play_, 0, 0, 1000, 330);

    panel2_ = MakeFrame(this, "Panel2");
    SetTw(panel2_, 1080, 0, 9255, 330);
    static constexpr std::array<const char*, 4> kOptCaption{"Single Clip", "Time 1 - 2", "Channel#", "Signal"};
    for (std::size_t i = 0; i < playOpt_.size(); ++i) {
        playOpt_[i] = new QRadioButton(QLatin1String(kOptCaption[i]), panel2_);
        playOpt_[i]->setObjectName(QStringLiteral("Play_Opt_%1").arg(i));
        connect(playOpt_[i], &QRadioButton::clicked, this, [this, i] { Play_Opt_Click(static_cast<int>(i)); });
    }
    chkTime_ = new QCheckBox(QStringLiteral("Enable Time 1 - 2  Limit"), panel2_);
    chkTime_->setObjectName(QStringLiteral("Chk_time"));
    chkContinue_ = new QCheckBox(QStringLiteral("Continue Playing by Channel#"), panel2_);
    chkContinue_->setObjectName(QStringLiteral("Chk_Continue"));
    chkContinue_->setEnabled(false);
    FitPlayControls();
    connect(play_, &QPushButton::clicked, this, &SummaryWindow::Play_Click);
    connect(chkTime_, &QCheckBox::clicked, this, &SummaryWindow::Chk_time_Click);
}

void SummaryWindow::BuildReadouts() {
    panel1_ = MakeFrame(this, "Panel1");
    cTime_ = MakeReadout(panel1_, "C_Time");
    cFreq_ = MakeReadout(panel1_, "C_Freq");
    cLevel_ = MakeReadout(panel1_, "C_Level");
    cChnl_ = MakeReadout(panel1_, "C_Chnl");
    sIfbw_ = MakeReadout(panel1_, "S_IFBW");
    sFreq_ = MakeReadout(panel1_, "S_Freq");
    sLevel_ = MakeReadout(panel1_, "S_Level");
    cStatus_ = MakeReadout(panel1_, "C_Status");
    cStatus_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    sT1_ = MakeReadout(panel1_, "S_T1");
    sT2_ = MakeReadout(panel1_, "S_T2");
    sChnl_ = MakeReadout(panel1_, "S_Chnl");
    cChnl_->hide();
    sChnl_->hide();

    notice_ = MakeLabel(panel1_, "L_Notice", QString(), LabelLook().Align(Qt::AlignCenter).Font(PanelFont()));
    QPalette notice = notice_->palette();
    notice.setColor(QPalette::WindowText, QColor(128, 0, 0));
    notice_->setPalette(notice);
    notice_->hide();
}

void SummaryWindow::BuildPicture() {
    pBox_ = new QFrame(panel1_);
    pBox_->setObjectName(QStringLiteral("P_PBox"));
    pBox_->setFrameStyle(QFrame::NoFrame);
    picture_ = new SummaryPicture(pBox_);
    picture_->setObjectName(QStringLiteral("O_Picture"));
    picture_->L_T1 = {true, 0, QColor(0, 0, 255), false};
    picture_->L_T2 = {true, 0, QColor(255, 0, 0), false};
    picture_->L_ChnlA = {false, 0, QColor(255, 255, 255), false};
    picture_->L_ChnlB = {false, 0, QColor(255, 255, 255), false};
    scroll_ = new QScrollBar(Qt::Vertical, pBox_);
    scroll_->setObjectName(QStringLiteral("Scrl_PBox"));
    scroll_->hide();
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        picture_->move(0, -static_cast<int>(std::lround(static_cast<double>(kRowHeightTw) * value * ScreenDpi() /
                                                        kTwipsPerInch)));
    });
    picture_->onMove = [this](double x, double y) { Hover(x, y); };
    picture_->onPress = [this](int button, double x, double y) { Click(button, x, y); };
    picture_->onDoubleClick = [this] { DoubleClick(); };
}

SummaryWindow::~SummaryWindow() = default;

// ---------------------------------------------------------------------------------------------
// Loading

// The build's input for the selected segment; a segment the table does not hold is built empty.
ClipTableInput SummaryWindow::TableInput(const std::string& audText, const std::string& eventText,
                                         const SignalBands& bands) const {
    const RecordingModel& r = models_.recording;
    const int seg = r.SelectedSegment();
    const SegmentTable& segs = r.Segments();
    ClipTableInput in;
    in.audText = audText;
    in.eventText = eventText;
    in.selectedSegment = seg;
    in.defaultIfbw = models_.settings.DefaultIfbw();
    in.signalBands = &bands;
    if (segs.Holds(seg)) {
        in.segStart = At(segs.start, seg);
        in.segStop = At(segs.stop, seg);
        in.segClipCount = At(segs.clipCount, seg);
        in.segMaxNumber = At(segs.maxNumber, seg);
    }
    return in;
}

bool SummaryWindow::Load() {
    RecordingModel& r = models_.recording;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int seg = r.SelectedSegment();
    std::string audText, eventText;
    const std::optional<std::string> audPath = FindPathNoCase(AudFileName(r.EventFileName()));
    const bool audRead = audPath && ReadFileBytes(*audPath, audText);
    const bool eventRead = static_cast<bool>(ReadFileBytes(r.EventFileName(), eventText));
    const SignalListPort* list = SignalList();
    const SignalBands bands = list ? SignalBands(list->List()) : SignalBands();
    ClipTableInput in = TableInput(audText, eventText, bands);
    in.audExists = audRead;
    // An unreadable file has no clips to give: the picture stands empty.
    if (!eventRead) in.segClipCount = 0;
    const int secondsPerUnit = ComputeTimeScale((in.segStop - in.segStart) * 86400.0).secondsPerUnit;

    ClipTableHooks hooks;
    hooks.activity = [this](const char* caption) {
        emit loadActivity(caption);
        // Repaints only: a Close or a second Open taken now would unload this window mid-load.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.progress = [this](int percent) { emit loadProgress(percent); };
    hooks.tooMany = [&](int clip) {
        const MsgAnswer answer = prompter_.Message(kTooManyTitle, kTooManyText, MsgIcon::Question, MsgButtons::OkCancel);
        if (answer != MsgAnswer::Ok) return TooManyAnswer::Decline;
        const SplitResult split = SplitSegment(r.EventFileName(), seg, clip, in.segStart, secondsPerUnit);
        if (!split.ok) {
            // The first part is shown all the same; only the file keeps its one long segment.
            prompter_.Message(kTooManyTitle,
                              "The segment could not be split: " + split.error + ".  The audio event file is unchanged.",
                              MsgIcon::Exclamation, MsgButtons::Ok);
        }
        return TooManyAnswer::Split;
    };

    ClipTable table = BuildClipTable(in, hooks);
    if (table.Declined) {
        emit loadDone();
        QApplication::restoreOverrideCursor();
        return false;
    }
    if (table.RowsCapped) prompter_.Message("", kRowsCappedText, MsgIcon::None, MsgButtons::Ok);
    // The segment table must agree with the clips kept, for the export and the next load alike.
    if (table.Split && r.Segments().Holds(seg)) r.SetClipCount(seg, table.ClipCount);

    Present(std::move(table), eventRead ? std::string() : "The audio event file could not be read");
    show();
    emit loadDone();
    QApplication::restoreOverrideCursor();
    return true;
}

void SummaryWindow::Present(ClipTable table, const std::string& notice) {
    RecordingModel& r = models_.recording;
    r.SetTable(std::move(table));
    r.SetSummaryLoaded(true);
    loaded_ = true;

    const ClipTable& t = r.Table();
    const CollectionType type = t.Type;
    const bool priority = type == CollectionType::Priority;
    setWindowTitle(Qs(CaptionPrefix(type) + FormatNumber(r.SelectedSegment(), "00") + ">"));
    playOpt_[kRow]->setText(priority ? QStringLiteral("Channel#") : QStringLiteral("Signal"));
    playOpt_[kSignal]->setVisible(priority);
    chkContinue_->setText(priority ? QStringLiteral("Continue Playing by Channel#")
                                   : QStringLiteral("Continue Playing by Signal"));
    FitPlayControls();
    sIfbw_->setVisible(type != CollectionType::Netora);

    std::string line = notice;
    if (t.Skipped > 0) line += (line.empty() ? "" : "; ") + SkippedNotice(t.Skipped);
    notice_->setToolTip(Qs(line));
    notice_->setVisible(!line.empty());

    picture_->SetBars(BarsOf(t));
    models_.selection.SetSelectedClip(1);
    selectedRow_ = 1;
    hoverClip_ = 0;
    t1_ = 0;
    const double w = UnitWidth();
    t2_ = w - w / 501;
    playOpt_[kSingleClip]->setChecked(true);
    playOption_ = kSingleClip;
    chkContinue_->setEnabled(false);

    setMinimumSize(Px(kMinWindowWidthTw - kFrameWidthTw), Px(MinimumHeightTw(t.RowCount) - kFrameHeightTw));
    ApplyPlacement();
    LayoutAndDraw();
}

// The designed widths were made for a narrower font: a caption that does not fit widens its
// button or box, and what follows moves right, so no caption is cut or runs into the next.
void SummaryWindow::FitPlayControls() {
    static constexpr std::array<int, 4> kOptLeftTw{0, 1100, 2200, 3220};
    static constexpr std::array<int, 4> kOptWidthTw{1110, 1110, 1110, 1080};
    const int gap = Px(60);
    int right = 0; // of the last option shown
    for (std::size_t i = 0; i < playOpt_.size(); ++i) {
        QRadioButton* b = playOpt_[i];
        const int left = i == 0 ? Px(kOptLeftTw[0]) : std::max(Px(kOptLeftTw[i]), right + gap);
        b->setGeometry(left, Px(30), std::max(Px(kOptWidthTw[i]), b->sizeHint().width()), Px(270));
        if (!b->isHidden()) right = b->geometry().right();
    }
    const int timeLeft = std::max(Px(4200), right + gap);
    chkTime_->setGeometry(timeLeft, Px(38), std::max(Px(1935), chkTime_->sizeHint().width()), Px(255));
    const int continueLeft = std::max(Px(6360), chkTime_->geometry().right() + gap);
    chkContinue_->setGeometry(continueLeft, Px(38), std::max(Px(2415), chkContinue_->sizeHint().width()), Px(255));
    panel2_->resize(std::max(Px(9255), chkContinue_->geometry().right() + gap), panel2_->height());
}

int SummaryWindow::MinimumHeightTw(long rowCount) {
    if (rowCount > 50) return 5820;
    return static_cast<int>(std::max(rowCount, 0L)) * kRowHeightTw + 1320;
}

SignalListPort* SummaryWindow::SignalList() const {
    return signalList_ ? signalList_() : nullptr;
}

// Under the main window and as wide as it; as high as the design or the rows ask, whichever is more.
void SummaryWindow::ApplyPlacement() {
    const QWidget* main = bar_;
    if (!main) return;
    const int extraW = frameGeometry().width() - geometry().width();
    const QRect bar = main->frameGeometry();
    move(bar.left(), bar.top() + bar.height() - Px(kBelowMainOverlapTw));
    resize(std::max(bar.width() - extraW, minimumWidth()), height());
}

void SummaryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

void SummaryWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutAndDraw();
}

void SummaryWindow::LayoutAndDraw() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const long rows = Table().RowCount;
    const int windowW = std::max(Tw(width()) + kFrameWidthTw, kMinWindowWidthTw);
    const int windowH = std::max(Tw(height()) + kFrameHeightTw, MinimumHeightTw(rows));

    panel1WidthTw_ = windowW - 120;
    panel1HeightTw_ = windowH - 720;
    SetTw(panel1_, 0, kPanel1TopTw, panel1WidthTw_, panel1HeightTw_);
    const int boxW = panel1WidthTw_ - 75;
    const int boxH = panel1HeightTw_ - 600;
    statusTopTw_ = panel1HeightTw_ - kStatusHeightTw - 15;
    SetTw(pBox_, kPBoxLeftTw, kPBoxTopTw, boxW, boxH);

    const int scrollW = Tw(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    int pictureW = boxW;
    if (boxH >= rows * kRowHeightTw) {
        SetTw(picture_, 0, 0, pictureW, boxH);
        scroll_->hide();
    } else {
        pictureW = boxW - scrollW;
        // Picture rows of 90 twips each, as one widget of whole rows that the scroll bar moves.
        picture_->setGeometry(
            0, 0, Px(pictureW),
            static_cast<int>(std::lround(rows * kRowHeightTw * ScreenDpi() / kTwipsPerInch)));
        const QSignalBlocker quiet(scroll_);
        const int visibleRows = static_cast<int>(std::lround(static_cast<double>(boxH) / kRowHeightTw));
        scroll_->setRange(0, static_cast<int>(std::max(rows - visibleRows, 0L)));
        scroll_->setPageStep(std::max(visibleRows, 1));
        scroll_->setValue(0);
        scroll_->show();
    }
    SetTw(scroll_, boxW - scrollW, 0, scrollW, boxH);

    SetTw(cTime_, 60, kReadoutTopTw, kTimeWidthTw, kReadoutHeightTw);
    SetTw(cChnl_, 60, kReadoutTopTw, kTimeWidthTw, kReadoutHeightTw);
    SetTw(cFreq_, 1815, kReadoutTopTw, 1305, kReadoutHeightTw);
    SetTw(cLevel_, 3120, kReadoutTopTw, 960, kReadoutHeightTw);
    SetTw(sIfbw_, panel1WidthTw_ - kIfbwWidthTw - 30, kReadoutTopTw, kIfbwWidthTw, kReadoutHeightTw);
    SetTw(sChnl_, kSFreqLeftTw, statusTopTw_, kSFreqWidthTw, kStatusHeightTw);
    SetTw(sFreq_, kSFreqLeftTw, statusTopTw_, kSFreqWidthTw, kStatusHeightTw);
    SetTw(sLevel_, kSLevelLeftTw, statusTopTw_, kSLevelWidthTw, kStatusHeightTw);
    PlaceStatusRow(3135);
    LayoutNotice();

    picture_->SetScale(UnitWidth(), static_cast<double>(std::max(rows, 1L)));
    picture_->Redraw();
    laidOut_ = true;

    const int option = CheckedOption();
    if (option >= 0 && loaded_) ApplyPlayOption(option);
}

// S_T2 at the right edge, S_T1 at `t1LeftTw`, C_Status between S_Level and S_T1.
void SummaryWindow::PlaceStatusRow(int t1LeftTw) {
    SetTw(sT2_, panel1WidthTw_ - kTimeWidthTw - 30, statusTopTw_, kTimeWidthTw, kStatusHeightTw);
    SetTw(sT1_, t1LeftTw, statusTopTw_, kTimeWidthTw, kStatusHeightTw);
    SetTw(cStatus_, kCStatusLeftTw, statusTopTw_, t1LeftTw - kCStatusLeftTw - 15, kStatusHeightTw);
}

// The notice fills the gap between the hover readouts and S_IFBW, cut short with "..." when the
// window is narrow; the whole text is in its tool tip.
void SummaryWindow::LayoutNotice() {
    const int left = kCLevelRightTw + 90;
    const int right = (sIfbw_->isHidden() ? panel1WidthTw_ - 30 : panel1WidthTw_ - kIfbwWidthTw - 30) - 90;
    SetTw(notice_, left, kReadoutTopTw, right - left, kReadoutHeightTw);
    notice_->setText(notice_->fontMetrics().elidedText(notice_->toolTip(), Qt::ElideRight,
                                                         std::max(notice_->width(), 0)));
}

// ---------------------------------------------------------------------------------------------
// Readouts and selection

bool SummaryWindow::ValidClip(int clip) const {
    const ClipTable& t = Table();
    return clip >= 1 && clip <= t.ClipCount && clip <= t.ClipLine.Count() &&
           Holds(t.Place, clip);
}

bool SummaryWindow::ValidRow(long row) const {
    return row >= 1 && row <= Table().RowCount && Holds(Table().RowClips, row);
}

double SummaryWindow::UnitWidth() const {
    return Table().ScaleWidth > 0 ? Table().ScaleWidth : 1.0;
}

int SummaryWindow::CheckedOption() const {
    for (std::size_t i = 0; i < playOpt_.size(); ++i)
        if (playOpt_[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void SummaryWindow::Hover(double x, double y) {
    const ClipTable& t = Table();
    const int row = RowOfY(y, t.RowCount);
    hoverRow_ = row;
    cChnl_->setText(Qs(RowText(t.Type, row, false)));
    cTime_->setText(Qs(TimeText("T:  ", TimeOfX(x, models_.recording.SegmentStart(), t.SecondsPerUnit))));
    hoverClip_ = ValidRow(row) ? HoverClipOf(At(t.RowClips, row), x, UnitWidth()) : 0;
    if (!ValidClip(hoverClip_)) {
        hoverClip_ = 0;
        cFreq_->clear();
        cLevel_->clear();
        return;
    }
    cFreq_->setText(Qs(FreqText(LeadingNumber(t.ClipLine.Field(hoverClip_, ClipFieldId::Frequency)))));
    cLevel_->setText(Qs(HoverLevelText(t.ClipLine.Field(hoverClip_, ClipFieldId::Level))));
}

int SummaryWindow::FirstClipOfRow(long row) const {
    const ClipTable& t = Table();
    return ValidRow(row) && !At(t.RowClips, row).empty()
               ? At(t.RowClips, row).front().clip
               : 0;
}

void SummaryWindow::ShowFrequency(int clip) {
    if (!ValidClip(clip)) {
        sFreq_->setText(Qs(kNoFreqText));
        shownFreq_ = 0;
        return;
    }
    const double mhz = LeadingNumber(Table().ClipLine.Field(clip, ClipFieldId::Frequency));
    sFreq_->setText(Qs(FreqText(mhz)));
    shownFreq_ = ShownMhz(mhz);
}

void SummaryWindow::ShowRow(int row) {
    sChnl_->setText(Qs(RowText(Table().Type, row, true)));
    shownRow_ = row;
}

void SummaryWindow::Click(int button, double x, double y) {
    if (models_.play.PlayerLoaded()) emit playerUnloadRequested();
    const ClipTable& t = Table();
    const double segStart = models_.recording.SegmentStart();
    switch (CheckedOption()) {
    case kSingleClip:
        if (!ValidClip(hoverClip_)) return;
        models_.selection.SetSelectedClip(hoverClip_);
        FrameClip(hoverClip_, false);
        ClipReadouts(hoverClip_);
        ShowSignalAttributes();
        break;
    case kTimeLimits:
        if (button == 1) {
            t1_ = x;
            picture_->L_T1.at = x;
            sT1_->setText(Qs(TimeText("T1:  ", TimeOfX(x, segStart, t.SecondsPerUnit))));
        } else {
            t2_ = x;
            picture_->L_T2.at = x;
            sT2_->setText(Qs(TimeText("T2:  ", TimeOfX(x, segStart, t.SecondsPerUnit))));
        }
        picture_->UpdateOverlays();
        break;
    case kRow: {
        selectedRow_ = RowOfY(y, t.RowCount);
        ShowRow(selectedRow_);
        FrameRow(selectedRow_);
        const int first = FirstClipOfRow(selectedRow_);
        if (ValidClip(first)) models_.selection.SetSelectedClip(first);
        ShowFrequency(first);
        break;
    }
    case kSignal: {
        // Away from a clip: the first clip of the row under the pointer. A row without clips
        // offers nothing to select, and the selection stays as it was.
        const int clip = ValidClip(hoverClip_) ? hoverClip_ : FirstClipOfRow(hoverRow_);
        if (!ValidClip(clip)) return;
        models_.selection.SetSelectedClip(clip);
        FrameClip(clip, chkTime_->isChecked());
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
void SummaryWindow::FrameClip(int clip, bool atLimits) {
    if (!ValidClip(clip)) return;
    const ClipPlace& p = At(Table().Place, clip);
    picture_->L_T1.at = atLimits ? t1_ : p.x1;
    picture_->L_T2.at = atLimits ? t2_ : p.x2;
    FrameRow(p.row);
}

void SummaryWindow::FrameRow(int row) {
    picture_->L_ChnlA.at = row - 1;
    picture_->L_ChnlB.at = row;
    picture_->UpdateOverlays();
}

void SummaryWindow::ClipReadouts(int clip) {
    if (!ValidClip(clip)) return;
    const ClipTable& t = Table();
    const ClipPlace& p = At(t.Place, clip);
    const double segStart = models_.recording.SegmentStart();
    ShowRow(p.row);
    ShowFrequency(clip);
    sLevel_->setText(Qs(SelectedLevelText(t.ClipLine.Field(clip, ClipFieldId::Level))));
    // A clip is placed only when its times convert; the units stand in otherwise.
    const double start = ToDate(t.ClipLine.Field(clip, ClipFieldId::StartTime)).value_or(TimeOfX(p.x1, segStart, t.SecondsPerUnit));
    const double stop = ToDate(t.ClipLine.Field(clip, ClipFieldId::StopTime)).value_or(TimeOfX(p.x2, segStart, t.SecondsPerUnit));
    sT1_->setText(Qs(TimeText("T1:  ", start)));
    sT2_->setText(Qs(TimeText("T2:  ", stop)));
    selectedRow_ = p.row;
}

void SummaryWindow::ApplyPlayOption(int index) {
    if (index < kSingleClip || index > kSignal) return;
    const ClipTable& t = Table();
    const RecordingModel& r = models_.recording;
    SummaryPicture& pic = *picture_;
    const int t2Left = panel1WidthTw_ - kTimeWidthTw - 30;
    SetTw(sIfbw_, panel1WidthTw_ - kIfbwWidthTw - 30, kReadoutTopTw, kIfbwWidthTw, kReadoutHeightTw);

    if (index == kTimeLimits) {
        pic.L_ChnlA.visible = pic.L_ChnlB.visible = false;
        pic.L_T1 = {true, t1_, pic.L_T1.colour, true};
        pic.L_T2 = {true, t2_, pic.L_T2.colour, true};
        sFreq_->hide();
        sLevel_->hide();
        cStatus_->hide();
        PlaceStatusRow(45);
        sT1_->setText(Qs(TimeText("T1:  ", TimeOfX(t1_, r.SegmentStart(), t.SecondsPerUnit))));
        sT2_->setText(Qs(TimeText("T2:  ", TimeOfX(t2_, r.SegmentStart(), t.SecondsPerUnit))));
    } else if (index == kRow) {
        pic.L_ChnlA.visible = pic.L_ChnlB.visible = true;
        FrameRow(selectedRow_);
        const bool limits = chkTime_->isChecked();
        pic.L_T1 = {true, t1_, pic.L_T1.colour, limits};
        pic.L_T2 = {true, t2_, pic.L_T2.colour, limits};
        ShowRow(selectedRow_);
        ShowFrequency(FirstClipOfRow(selectedRow_));
        sFreq_->show();
        sT1_->show();
        sLevel_->hide();
        cStatus_->hide();
        PlaceStatusRow(2340);
        sT1_->setText(Qs(TimeText("T1:  ", r.SegmentStart())));
        sT2_->setText(Qs(TimeText("T2:  ", r.SegmentStop())));
    } else {
        pic.L_T1.visible = pic.L_T2.visible = pic.L_ChnlA.visible = pic.L_ChnlB.visible = true;
        const int clip = models_.selection.SelectedClip();
        FrameClip(clip, index == kSignal && chkTime_->isChecked());
        sFreq_->show();
        sLevel_->show();
        PlaceStatusRow(t2Left - kTimeWidthTw - 15);
        cStatus_->show();
        ClipReadouts(clip);
    }
    sT1_->show();
    sT2_->show();
    LayoutNotice();
    pic.UpdateOverlays();
}

// The bandwidth and the list entry of the signal the readouts show; the entry is marked in the
// signal list.
void SummaryWindow::ShowSignalAttributes() {
    const ClipTable& t = Table();
    double f = shownFreq_;
    const int row = shownRow_;
    const std::string_view mode = ModeOfSignal(t, f, row);
    if (t.Type != CollectionType::Priority && row >= 1 && Holds(t.RowFrequency, row - 1))
        f = At(t.RowFrequency, row - 1);

    SignalListPort* list = SignalList();
    const SignalBands bands = list ? SignalBands(list->List()) : SignalBands();
    SelectionModel& selection = models_.selection;
    if (const std::optional<int> hit = bands.Find(f)) {
        f = bands.Frequency(*hit);
        selection.SetIfbwText(IfbwText(bands.Bandwidth(*hit), mode));
    } else {
        selection.SetIfbwText(IfbwText(models_.settings.DefaultIfbw(), mode));
    }

    selection.SetStatusText(std::string(kNoSignalStatus));
    if (!list) return;
    list->UnhighlightAll();
    list->SetCurrent(-1);
    if (const std::optional<int> hit = bands.Find(f)) {
        selection.SetStatusText(StatusText(list->List().Line(*hit)));
        list->SetHighlighted(*hit, true);
        list->SetCurrent(*hit);
    }
}

void SummaryWindow::Chk_time_Click() {
    SummaryPicture& pic = *picture_;
    const int option = CheckedOption();
    if (chkTime_->isChecked()) {
        pic.L_T1 = {true, t1_, pic.L_T1.colour, true};
        pic.L_T2 = {true, t2_, pic.L_T2.colour, true};
    } else if (option == kSingleClip || option == kSignal) {
        // These options frame the selected clip: unchecking brings the lines back to it.
        ApplyPlayOption(option);
    } else if (option != kTimeLimits) {
        pic.L_T1.visible = pic.L_T2.visible = false;
    }
    pic.UpdateOverlays();
}

// ---------------------------------------------------------------------------------------------
// The player's marks on this window

// Shape1 over the clip the player is on, in picture units.
void SummaryWindow::HighlightClip(int clip) {
    const RecordingModel& r = models_.recording;
    const ClipTable& t = r.Table();
        const ClipPlace place =
        Holds(t.Place, clip) ? At(t.Place, clip) : ClipPlace{};
    const double segStart = r.SegmentStart();
    const double spu = std::max(1, t.SecondsPerUnit);
    const std::optional<double> start = ToDate(t.ClipLine.Field(clip, ClipFieldId::StartTime));
    const std::optional<double> stop = ToDate(t.ClipLine.Field(clip, ClipFieldId::StopTime));
    double left = place.x1, width = place.x2 - place.x1;
    if (start && stop) {
        left = RoundToInt16Clamped((*start - segStart) * 86400.0 / spu);
        width = RoundToInt16Clamped((*stop - *start) * 86400.0 / spu);
    }
    width += picture_->ScaleWidth() / 500.0;
    // The clip's own row: for a PRIORITY clip its channel, for the others its frequency's row.
    const double top = std::max(place.row, 1) - 1;
    const double height = t.RowCount > 50 ? 50.0 / 300.0 + 1 : picture_->ScaleHeight() / 300.0 + 1;
    PictureShape& shape = picture_->Shape1;
    shape.x1 = left;
    shape.x2 = left + width;
    shape.y1 = top;
    shape.y2 = top + height;
    shape.visible = place.row > 0 || (start && stop);
    picture_->UpdateOverlays();
}

// While a player is up the time limit and the row continuation stay as they are; when it goes,
// its highlight goes with it.
void SummaryWindow::PlayerLoadedChanged(bool loaded) {
    if (loaded) {
        chkTime_->setEnabled(false);
        chkContinue_->setEnabled(false);
        return;
    }
    chkTime_->setEnabled(true);
    chkContinue_->setEnabled(CheckedOption() == kRow);
    picture_->Shape1.visible = false;
    picture_->UpdateOverlays();
    LockChanged(false);
}

void SummaryWindow::LockChanged(bool locked) {
    play_->setEnabled(!locked);
    for (QRadioButton* b : playOpt_)
        b->setEnabled(!locked);
}

// ---------------------------------------------------------------------------------------------
// Play controls and the play list

void SummaryWindow::Play_Opt_Click(int index) {
    if (index < kSingleClip || index > kSignal) return;
    if (!playOpt_[static_cast<std::size_t>(index)]->isChecked())
        playOpt_[static_cast<std::size_t>(index)]->setChecked(true);
    if (index != playOption_) {
        ApplyPlayOption(index);
        playOption_ = index;
        if (models_.play.PlayerLoaded()) emit playerUnloadRequested();
    }
    chkContinue_->setEnabled(index == kRow);
}

void SummaryWindow::Play_Click() {
    play_->setFocus();
    models_.play.SetStopAfterClip(false);
    BuildPlayList(PlayListUse::Play);
}

void SummaryWindow::DoubleClick() {
    BuildPlayList(PlayListUse::Play);
}

bool SummaryWindow::BuildPlayList(PlayListUse use) {
    const ClipTable& t = Table();
    PlayChoice choice;
    choice.option = CheckedOption();
    choice.timeLimit = chkTime_->isChecked();
    choice.continueRows = chkContinue_->isChecked();
    choice.selectedClip = models_.selection.SelectedClip();
    choice.selectedRow = selectedRow_;
    choice.t1 = t1_;
    choice.t2 = t2_;
    if (choice.option == kSignal) {
        double f = shownFreq_;
        const int row = shownRow_;
        if (t.Type != CollectionType::Priority && row >= 1 && Holds(t.RowFrequency, row - 1))
            f = At(t.RowFrequency, row - 1);
        const SignalListPort* list = SignalList();
        choice.band = SignalBandOf(f, list ? SignalBands(list->List()) : SignalBands(), models_.settings.DefaultIfbw());
    }

    std::vector<int> clips;
    if (choice.option >= kSingleClip && (choice.option != kSingleClip || ValidClip(choice.selectedClip)))
        clips = zarn::BuildPlayList(t, choice);
    if (clips.empty()) {
        // Nothing to play: the player stays as it was.
        prompter_.Beep();
        return false;
    }
    models_.play.SetPlayList(clips);
    if (models_.play.PlayerLoaded()) emit playerUnloadRequested();
    if (use == PlayListUse::Play) emit playRequested();
    return true;
}

void SummaryWindow::closeEvent(QCloseEvent* event) {
    models_.recording.SetSummaryLoaded(false);
    emit unloaded();
    QWidget::closeEvent(event);
}

} // namespace zarn
