// The player window. It plays the play list the summary window has just built, one clip at a
// time, through the WAV control, shows the clip's waveform and attributes, and sends the clip's
// signal into the signal list. The transport, the waveform numbers and the attribute rules live in
// model code; this window wires them to its controls and announces its state in the models.
#pragma once

#include "clip_attributes.h"
#include "models.h"
#include "prompter.h"
#include "signal_list_port.h"
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
class QComboBox;
class QKeyEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QShortcut;

namespace zarn {

class SpectrogramStrip;

// What the window is given besides the models.
struct PlayerSetup {
    // The signal list, loading it if need be; may give nullptr.
    std::function<SignalListPort*()> signalList;
    // The summary window the player is first placed beside, or nullptr.
    std::function<const QWidget*()> anchor;
    // The WAV control; the real one plays on the default output.
    std::function<std::unique_ptr<WaveControl>()> makeWaveControl;
    // A wait of at least ms without handling events; the shared busy wait by default.
    std::function<void(int)> waitMs;
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

class PlayerWindow final : public QMainWindow {
    Q_OBJECT
public:
    PlayerWindow(Models models, Prompter& prompter, PlayerSetup setup, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Window load: takes the play list, places and shows the window, holds the other windows'
    // play commands and starts the first clip.
    void Load();
    // Window unload: stops play, hides the highlight, releases the other windows and remembers the
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

    // Keys of the transport: each acts as a click on its button in its present colour would.
    void Key_PlayPause(); // Space: Play when Play is black, else Pause
    void Key_Start();     // Home: Stop, and Play again from the start when the list was playing

    // Waveform
    void PressWave(Qt::MouseButton button, double x);
    void WAV_Display_On_Click();

    // Attributes and tools
    void ClassOptionClicked(int index);
    void Comments_Click();
    void SendToSignalList(SendMode mode);
    void CopyClipReport();
    void CopyWaveFile();

    const Transport& Transport_() const { return *transport_; }
    WaveControl& Wave1() { return *wave_; }
    bool Playing_() const; // neither Cmd_Pause nor Cmd_Stop is red
    bool Audible() const;
    // The pointer was last over a class option: a click there changes the class.
    bool ClassClickFlag() const { return classClickFlag_; }

signals:
    // The window is going.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void BuildMenu();
    void BuildWavePanel(QWidget* client);
    void BuildTransportButtons(QWidget* client);
    void BuildAttributes(QWidget* client);
    void BuildClassPanel(QWidget* client);
    void BuildTransport();
    void BuildKeys();
    bool IsTransportKey(const QKeyEvent* event) const;
    // Runs a handler of the transport, then paints what it left. An unload meanwhile (events run
    // inside handlers) stops whatever the handler started after it.
    void Run(const std::function<void()>& handler);
    void PaintState();
    void ProcessEvents();
    void ShowClip(int clip);
    std::string ClipFilePath(int clip) const;
    void LockOtherWindows();
    void UnlockOtherWindows();
    void LoadWaveform();
    void Cmd_Refresh_Click();
    void ShowSignalMatch();
    void SelectClass(SignalClass cls);
    SignalClass SelectedClass() const;
    void SetCommentListed(bool listed);
    void ShowClassTools(bool visible);
    void CommentKey(QKeyEvent* event);
    void PauseForEdit(bool clearFlag);
    void SyncMarks(const Marks& marks);
    Marks CurrentMarks() const;
    SignalListPort* SignalList() const;
    void ShowPlotText(std::string_view text);
    void ApplyPlacement();
    void SetHelpTexts();
    // The spectrogram strip below the window's controls, shown while its menu item is checked.
    void BuildSpectrogram(QWidget* client);
    void WAV_Display_Spectrogram_Click();
    void ShowSpectrogramStrip(bool on);
    void BuildSpeed();
    void SpeedChosen();

    Models models_;
    Prompter& prompter_;
    PlayerSetup setup_;
    std::unique_ptr<WaveControl> wave_;
    std::unique_ptr<Transport> transport_;
    std::vector<int> playList_;
    WaveLayout layout_;
    MarkBox box_;
    ClipReadouts readouts_;
    bool classClickFlag_ = false;
    bool unloaded_ = false;
    bool loaded_ = false;
    FramedPlacement framedPlacement_;

    QFrame *wavPanel_, *panel1_, *panel2_;
    WavePicture* wavePicture_;
    QScrollBar* wavScroll_;
    QLabel* plotFile_;
    QPushButton *cmdLoop_, *cmdPlayClip_, *cmdPlay_, *cmdPause_, *cmdStop_, *cmdPrev_, *cmdNext_;
    QPushButton *copy_, *cut_, *cmdRefresh_, *comments_;
    QLabel *lChnl_, *pChnl_, *lFreq_, *pFreq_, *lFileName_, *pFileName_;
    QLabel *lStartTime_, *pStartTime_, *lStopTime_, *pStopTime_, *lLevel_, *pLevel_;
    std::array<QRadioButton*, 3> clipStatus_{};
    QLineEdit* pComment_;
    QLabel* pHelp_;
    HelpLine* helpLine_ = nullptr;
    QAction* wavDisplayOn_;
    QAction* wavDisplaySpectrogram_ = nullptr;
    SpectrogramStrip* spectro_ = nullptr;
    QComboBox* speedCombo_ = nullptr;
    std::vector<QShortcut*> keys_;
    QTimer timer1_;
};

} // namespace zarn
