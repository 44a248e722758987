// Playing: the player window. It plays the play list the summary window has just built, one clip
// at a time, through the WAV control, shows the clip's waveform and attributes, and sends the
// clip's signal into the signal list. The transport, the waveform numbers and the attribute rules
// live in model code; this window wires them to its controls and to the other windows.
#pragma once

#include "app_state.h"
#include "clip_attributes.h"
#include "prompter.h"
#include "window_chrome.h"
#include "transport.h"
#include "wave_control.h"
#include "waveform.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace zarn {

class Overall;
class SigRoll;

// What the window needs from the rest of the program.
struct PlayingHost {
    AppState* state = nullptr;
    Prompter* prompter = nullptr;
    std::function<Overall*()> summary;        // the summary window, or nullptr
    std::function<SigRoll*()> signalList;     // loads the signal list window hidden if need be
    std::function<void(bool)> lockMainWindow; // true: hide B_Open/B_Close, disable F_Open/F_Close
    // The WAV control; the real one plays on the default output.
    std::function<std::unique_ptr<WaveControl>()> makeWaveControl;
    // A wait of at least ms without handling events; the shared busy wait by default.
    std::function<void(int)> waitMs;
    std::function<void()> unloaded; // the window is going
};

// The waveform picture O_WAV with its cursor line Line1 and mark rectangle S_Clip, in picture units.
class WavePicture : public QWidget {
    Q_OBJECT
public:
    explicit WavePicture(QWidget* parent = nullptr);

    // One min/max pair per screen pixel, on the 0..255 scale; `scaleWidth` units across the width.
    void SetWave(std::vector<WaveColumn> pixels, double scaleWidth);
    void Clear();
    double ScaleWidth() const { return scaleWidth_; }
    double UnitOfPixel(int x) const;

    double cursorX = 0;
    bool cursorVisible = false;
    MarkBox box;

    std::function<void(Qt::MouseButton, double x)> onPress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<WaveColumn> pixels_;
    double scaleWidth_ = 1;
};

class Playing : public QMainWindow {
    Q_OBJECT
public:
    explicit Playing(PlayingHost host, QWidget* parent = nullptr);
    ~Playing() override;

    // Window load: reads PlayList and PlayListCount, places and shows the window, locks the other
    // windows and starts the first clip.
    void Load();
    // Window unload: stops play, hides the highlight, unlocks the other windows and remembers the
    // place.
    void Unload();
    // Unload, hide and delete later: a handler of the window may be letting events run.
    void Dispose();

    // Transport buttons
    void Cmd_Play_Click();
    void Cmd_PlayClip_Click();
    void Cmd_Loop_Click();
    void Cmd_Pause_Click();
    void Cmd_Stop_Click();
    void Cmd_Next_Click();
    void Cmd_Prev_Click();
    void Timer1_Timer();

    // Waveform
    void LoadWaveform();
    void PressWave(Qt::MouseButton button, double x);
    void Cmd_Refresh_Click();
    void Scrl_WAV_Change(int value);
    void WAV_Display_On_Click();

    // Attributes and tools
    void ShowSignalMatch();
    void ClassOptionClicked(int index);
    void Comments_Click();
    void SendToSignalList(SendMode mode);
    void CopyClipReport();
    void CopyWaveFile();

    void LockOtherWindows();
    void UnlockOtherWindows();

    const Transport& Transport_() const { return *transport_; }
    WaveControl& Wave1() { return *wave_; }
    bool Playing_() const; // neither Cmd_Pause nor Cmd_Stop is red
    bool Audible() const;

    // Window state
    bool ClassClickFlag = false;

    // Controls, named as the form names them.
    QFrame *P_WAV, *Panel1, *Panel2;
    WavePicture* O_WAV;
    QScrollBar* Scrl_WAV;
    QLabel* L_PlotFile;
    QPushButton *Cmd_Loop, *Cmd_PlayClip, *Cmd_Play, *Cmd_Pause, *Cmd_Stop, *Cmd_Prev, *Cmd_Next;
    QPushButton *Copy, *Cut, *Cmd_Refresh, *Comments;
    QLabel *L_Chnl, *P_Chnl, *L_Freq, *P_Freq, *L_FileName, *P_FileName;
    QLabel *L_StartTime, *P_StartTime, *L_StopTime, *P_StopTime, *L_Level, *P_Level;
    std::array<QRadioButton*, 3> Clip_Status{};
    QLineEdit* P_Comment;
    QLabel* P_Help;
    QAction* WAV_Display_On;
    QTimer Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppState& S() { return *host_.state; }
    // The other windows, while this one is loaded; nullptr once it is unloaded.
    Overall* Summary() const;
    void BuildWindow();
    void BuildTransport();
    // Runs a handler of the transport, then paints what it left. An unload meanwhile (events run
    // inside handlers) stops whatever the handler started after it.
    void Run(const std::function<void()>& handler);
    void PaintState();
    void ProcessEvents();
    void ShowClip(int clip);
    std::string ClipFilePath(int clip) const;
    void HighlightClip(int clip);
    void SelectClass(SignalClass cls);
    SignalClass SelectedClass() const;
    void SetCommentListed(bool listed);
    void ShowClassTools(bool visible);
    void CommentKey(QKeyEvent* event);
    void PauseForEdit(bool clearFlag);
    void SyncMarks(const Marks& marks);
    Marks CurrentMarks() const;
    SigRoll* SignalListWindow() const;
    void ShowPlotText(std::string_view text);
    // Overall's S_IFBW caption, or the last one this window wrote when there is no summary window.
    std::string IfbwCaption() const;
    void ApplyPlacement();
    void SetHelpTexts();

    PlayingHost host_;
    std::unique_ptr<WaveControl> wave_;
    std::unique_ptr<Transport> transport_;
    std::vector<int> playList_;
    WaveLayout layout_;
    MarkBox box_;
    ClipReadouts readouts_;
    std::string ifbwText_;
    bool unloaded_ = false;
    bool loaded_ = false;
    FramedPlacement framedPlacement_;
};

} // namespace zarn
