// The player's transport: Play, PlayClip, Loop, Pause, Stop, Next, Prev, the end-of-play handler
// and the cursor timer, driving the WAV control. The button colours are part of the state (the
// handlers test them), so the transport keeps them and the window paints what it finds here.
#pragma once

#include "wave_control.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zarn {

// Text colour of a transport button: black = available, red = in progress, grey = unavailable.
enum class ButtonColour { Black, Red, Grey };

// 0xRRGGBB of a button colour.
constexpr std::uint32_t ButtonRgb(ButtonColour colour) {
    switch (colour) {
    case ButtonColour::Red:
        return 0xFF0000;
    case ButtonColour::Grey:
        return 0x808080;
    case ButtonColour::Black:
        break;
    }
    return 0x000000;
}

// The looks of the seven transport buttons. The defaults are the design colours at window load:
// the first clip starts playing at once.
struct TransportLooks {
    ButtonColour Cmd_Loop = ButtonColour::Grey;
    ButtonColour Cmd_PlayClip = ButtonColour::Grey;
    ButtonColour Cmd_Play = ButtonColour::Red;
    ButtonColour Cmd_Pause = ButtonColour::Black;
    ButtonColour Cmd_Stop = ButtonColour::Black;
    ButtonColour Cmd_Prev = ButtonColour::Grey;
    ButtonColour Cmd_Next = ButtonColour::Grey;
    bool operator==(const TransportLooks&) const = default;
};

// What the transport asks of the window. Every hook may be left empty (it then does nothing, and
// ScaleWidth counts as 1), so tests set only what they watch.
struct TransportHooks {
    // Shows clip `clip` (a clip number from the play list): fields, signal match, highlight, and
    // the shared SelectedClip.
    std::function<void(int clip)> ShowClip;
    // Full path of the clip's WAV file when it exists, "" otherwise.
    std::function<std::string(int clip)> ClipFilePath;
    std::function<void()> ShowSignalMatch;
    std::function<void()> LockOtherWindows;
    std::function<void()> UnlockOtherWindows;
    // Draws the waveform; it also clears the marks (Transport::ClearMarks).
    std::function<void()> LoadWaveform;
    // Lets pending window events run; the control's PlayDone may re-enter the transport here.
    std::function<void()> ProcessEvents;
    // A wait of at least `ms` without handling events.
    std::function<void(int ms)> WaitMs;
    // The waveform picture's ScaleWidth (its columns), the unit of the cursor and the marks.
    std::function<double()> ScaleWidth;
    // Moves the mark rectangle's left edge to 0 (PlayClip and Loop without a range).
    std::function<void()> MarkLeftToZero;
};

class Transport {
public:
    // `playList` is used from index 1 and copied: the player plays the list it was shown with.
    // `stopAfterClip` is the shared flag, which the summary window's Play button also sets.
    // Installs the control's PlayDone handler; the destructor removes it.
    Transport(WaveControl& wave, std::vector<int> playList, int playListCount, bool& stopAfterClip,
              TransportHooks hooks);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Window load, from the first clip on: shows it, resets the control's flags, shows the cursor
    // at 0, locks the other windows and starts playing. The window sets PlayerLoaded before.
    // With an empty list nothing is shown and the transport stays grey.
    void Start();

    // Button handlers. Play, PlayClip, Loop, Prev and Next act only when their button is black;
    // Pause and Stop always act. With an empty play list none of them does anything.
    void Play();
    void PlayClip();
    void Loop();
    void Pause();
    void Stop();
    void Next();
    void Prev();

    // The control's PlayDone.
    void EndOfPlay();
    // Timer1 (150 ms, while TimerEnabled).
    void TimerTick() { CursorUpdate(); }

    // The marks are gone (LoadWaveform, Hide Highlight): PlayClip and Loop turn grey.
    void ClearMarks();

    void SetPlayingLook();
    void SetStoppedLook();
    void CursorUpdate();

    bool HasClips() const { return count_ >= 1; }
    // The control holds a file it can play: a name that reads back and a length of at least 1.
    bool HasPlayableFile() const;
    int PlayListCount() const { return count_; }

    // Window state the window paints and the waveform code shares.
    TransportLooks Looks;
    int CurrentClip = 0;                // position in the play list, 1..PlayListCount; 0 with an empty list
    long PausePos = -1;                 // control position saved by Pause, -1 when none
    double MarkStart = 0, MarkStop = 0; // picture units; an unset mark is 0
    double PlayStart = 0, PlayEnd = 0;  // the marked range in control positions
    double CursorX = 0;                 // Line1.X1 = Line1.X2, picture units
    bool CursorVisible = false;
    bool TimerEnabled = false;
    bool CopyEnabled = false; // the Copy button: the current clip has a playable file

private:
    void Step(int delta, ButtonColour& button);
    void ShowCurrentClip();
    void EndOfList();
    // Starts the clip just shown from its beginning, drawing it before or after the start by length.
    void StartShownClip(bool setRange);
    void ResumeOrStart(); // PlayFrom for PlayClip and Loop
    void Wait(int ms);
    void Events();
    void Call(const std::function<void()>& hook);
    double ScaleWidth() const;
    bool IsBlack(ButtonColour colour) const { return colour == ButtonColour::Black; }

    WaveControl& wave_;
    std::vector<int> list_;
    int count_ = 0;
    bool& stopAfterClip_;
    TransportHooks hooks_;
};

} // namespace zarn
