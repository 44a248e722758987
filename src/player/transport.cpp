#include "transport.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zarn {

namespace {

// Clips shorter than this are drawn before they start; longer ones start while they are drawn.
constexpr long kDrawFirstBelow = 1501;
constexpr int kSettleMs = 200;

long ToFrame(double position) {
    return std::lround(position);
}

} // namespace

Transport::Transport(WaveControl& wave, std::vector<int> playList, int playListCount, bool& stopAfterClip,
                     TransportHooks hooks)
    : wave_(wave), list_(std::move(playList)), stopAfterClip_(stopAfterClip), hooks_(std::move(hooks)) {
    // A count beyond the list's end would read clips that are not there.
    count_ = std::clamp(playListCount, 0, std::max(0, static_cast<int>(list_.size()) - 1));
    wave_.SetPlayDone([this] { EndOfPlay(); });
}

Transport::~Transport() {
    wave_.SetPlayDone(nullptr);
}

void Transport::Call(const std::function<void()>& hook) {
    if (hook) hook();
}

void Transport::Wait(int ms) {
    if (hooks_.WaitMs) hooks_.WaitMs(ms);
}

void Transport::Events() {
    Call(hooks_.ProcessEvents);
}

double Transport::ScaleWidth() const {
    return hooks_.ScaleWidth ? hooks_.ScaleWidth() : 1.0;
}

bool Transport::HasPlayableFile() const {
    return !wave_.WavFileName().empty() && wave_.WavLength() >= 1;
}

void Transport::SetPlayingLook() {
    Looks.Cmd_PlayClip = Looks.Cmd_Loop = Looks.Cmd_Play = ButtonColour::Grey;
    Looks.Cmd_Prev = Looks.Cmd_Next = ButtonColour::Grey;
    Looks.Cmd_Pause = Looks.Cmd_Stop = ButtonColour::Black;
}

void Transport::SetStoppedLook() {
    const ButtonColour range = MarkStop > MarkStart ? ButtonColour::Black : ButtonColour::Grey;
    Looks.Cmd_PlayClip = Looks.Cmd_Loop = range;
    Looks.Cmd_Play = Looks.Cmd_Pause = Looks.Cmd_Stop = ButtonColour::Black;
    Looks.Cmd_Prev = Looks.Cmd_Next = count_ > 1 ? ButtonColour::Black : ButtonColour::Grey;
}

void Transport::ClearMarks() {
    MarkStart = 0;
    MarkStop = 0;
    Looks.Cmd_PlayClip = Looks.Cmd_Loop = ButtonColour::Grey;
}

void Transport::CursorUpdate() {
    const long length = wave_.WavLength();
    if (length < 1) return;
    CursorX = static_cast<double>(wave_.WavPosition()) / static_cast<double>(length) * ScaleWidth();
}

void Transport::ShowCurrentClip() {
    const int clip = list_[static_cast<std::size_t>(CurrentClip)];
    if (hooks_.ShowClip) hooks_.ShowClip(clip);
    wave_.SetWavFileName(hooks_.ClipFilePath ? hooks_.ClipFilePath(clip) : std::string());
    CopyEnabled = HasPlayableFile();
}

void Transport::StartShownClip(bool setRange) {
    // The next clip plays whole: a PlayTo left from the previous clip must not cut it short.
    auto command = [&] {
        if (setRange) {
            wave_.SetPlayFrom(-1);
            wave_.SetPlayTo(-1);
        }
        wave_.SetPlayCommand(kWavPlay);
    };
    if (wave_.WavLength() >= kDrawFirstBelow) {
        command();
        Events();
        Call(hooks_.LoadWaveform);
    } else {
        Call(hooks_.LoadWaveform);
        command();
    }
}

void Transport::Start() {
    if (!HasClips()) {
        // Nothing to show or play: every button grey, the control left without a file.
        CurrentClip = 0;
        Looks = {ButtonColour::Grey, ButtonColour::Grey, ButtonColour::Grey, ButtonColour::Grey,
                 ButtonColour::Grey, ButtonColour::Grey, ButtonColour::Grey};
        CopyEnabled = false;
        return;
    }
    CurrentClip = 1;
    if (count_ < 2) Looks.Cmd_Prev = Looks.Cmd_Next = ButtonColour::Grey;
    ShowCurrentClip();
    wave_.SetRepeatPlay(false);
    wave_.SetAuxFlag(false);
    CursorX = 0;
    CursorVisible = true;
    TimerEnabled = true;
    Call(hooks_.LockOtherWindows);
    if (!HasPlayableFile()) {
        // A first clip without a playable file is passed over as at the end of any clip.
        EndOfPlay();
        return;
    }
    StartShownClip(false);
}

void Transport::Play() {
    if (!HasClips() || !IsBlack(Looks.Cmd_Play)) return;
    PausePos = -1;
    stopAfterClip_ = false;
    SetPlayingLook();
    Looks.Cmd_Play = ButtonColour::Red;
    if (!HasPlayableFile()) {
        EndOfPlay(); // moves on to the next clip that has a file
        return;
    }
    Call(hooks_.ShowSignalMatch);
    Call(hooks_.LockOtherWindows);
    wave_.SetRepeatPlay(false);
    const int state = wave_.PlayState();
    if (state == kWavStop) {
        const double width = ScaleWidth();
        if (CursorVisible && width > 0) {
            // Resume where the cursor stands (after Pause, or at the end of a PlayClip).
            wave_.SetPlayFrom(ToFrame(CursorX * static_cast<double>(wave_.WavLength()) / width));
        } else {
            wave_.SetPlayFrom(0);
            CursorX = 0;
        }
        wave_.SetPlayTo(wave_.WavLength());
        wave_.SetPlayCommand(kWavPlay);
        CursorVisible = true;
        TimerEnabled = true;
    } else if (state == kWavPlay) {
        wave_.SetPlayFrom(wave_.WavPosition());
        wave_.SetPlayTo(wave_.WavLength());
        wave_.SetPlayCommand(kWavStop);
        Wait(kSettleMs);
        Events();
        wave_.SetPlayCommand(kWavPlay);
        wave_.SetRepeatPlay(false);
        if (CurrentClip == count_) {
            wave_.SetPlayTo(wave_.WavLength());
            wave_.SetPlayCommand(kWavPlay);
            CursorUpdate();
            CursorVisible = true;
            TimerEnabled = true;
            SetPlayingLook();
            Looks.Cmd_Play = ButtonColour::Red;
        }
        wave_.SetPlayFrom(0);
    }
}

void Transport::ResumeOrStart() {
    const double pause = static_cast<double>(PausePos);
    if (Looks.Cmd_Pause == ButtonColour::Red && PlayStart <= pause && pause <= PlayEnd)
        wave_.SetPlayFrom(PausePos);
    else
        wave_.SetPlayFrom(ToFrame(PlayStart));
}

void Transport::PlayClip() {
    // Without a playable file there is nothing to play, and no end of play would ever come.
    if (!HasClips() || !IsBlack(Looks.Cmd_PlayClip) || !HasPlayableFile()) return;
    if (MarkStop <= MarkStart) {
        PlayStart = 0;
        Call(hooks_.MarkLeftToZero);
        PlayEnd = static_cast<double>(wave_.WavLength());
    }
    Call(hooks_.ShowSignalMatch);
    Call(hooks_.LockOtherWindows);
    stopAfterClip_ = true;
    ResumeOrStart();
    PausePos = -1;
    SetPlayingLook();
    Looks.Cmd_PlayClip = ButtonColour::Red;
    wave_.SetPlayTo(ToFrame(PlayEnd));
    wave_.SetRepeatPlay(false);
    wave_.SetPlayCommand(kWavPlay);
    wave_.SetPlayFrom(ToFrame(PlayStart));
    Wait(kSettleMs);
    Events();
    CursorUpdate();
    CursorVisible = true;
    TimerEnabled = true;
}

void Transport::Loop() {
    if (!HasClips() || !IsBlack(Looks.Cmd_Loop) || !HasPlayableFile()) return;
    // A stop mark alone (start mark 0) loops the whole clip.
    if (MarkStart == 0 || MarkStop <= MarkStart) {
        PlayStart = 0;
        Call(hooks_.MarkLeftToZero);
        PlayEnd = static_cast<double>(wave_.WavLength());
    }
    stopAfterClip_ = true;
    ResumeOrStart();
    wave_.SetPlayTo(ToFrame(PlayEnd));
    PausePos = -1;
    Call(hooks_.ShowSignalMatch);
    Call(hooks_.LockOtherWindows);
    wave_.SetAuxFlag(false);
    wave_.SetRepeatPlay(true);
    Wait(kSettleMs);
    Events();
    wave_.SetPlayCommand(kWavPlay);
    wave_.SetPlayFrom(ToFrame(PlayStart));
    Wait(kSettleMs);
    Events();
    CursorUpdate();
    CursorVisible = true;
    TimerEnabled = true;
    SetPlayingLook();
    Looks.Cmd_Loop = ButtonColour::Red;
}

void Transport::Pause() {
    if (!HasClips()) return;
    SetStoppedLook();
    Looks.Cmd_Pause = ButtonColour::Red;
    PausePos = wave_.WavPosition();
    wave_.SetPlayCommand(kWavStop);
    Wait(kSettleMs);
    TimerEnabled = false;
    Events();
}

void Transport::Stop() {
    if (!HasClips()) return;
    SetStoppedLook();
    Looks.Cmd_Stop = ButtonColour::Red;
    stopAfterClip_ = true;
    wave_.SetRepeatPlay(false);
    wave_.SetPlayFrom(-1);
    wave_.SetPlayTo(-1);
    wave_.SetPlayCommand(kWavStop);
    Wait(kSettleMs);
    Events();
    CursorVisible = false;
    CursorX = 0;
    TimerEnabled = false;
    Call(hooks_.UnlockOtherWindows);
}

void Transport::Next() {
    Step(+1, Looks.Cmd_Next);
}

void Transport::Prev() {
    Step(-1, Looks.Cmd_Prev);
}

// Next and Prev: the button shows red while the neighbouring clip is loaded, stopped.
void Transport::Step(int delta, ButtonColour& button) {
    if (!HasClips() || !IsBlack(button)) return;
    SetStoppedLook();
    button = ButtonColour::Red;
    const int target = CurrentClip + delta;
    if (target >= 1 && target <= count_) {
        stopAfterClip_ = true;
        CurrentClip = target;
        ShowCurrentClip();
        Call(hooks_.UnlockOtherWindows);
        Call(hooks_.LoadWaveform);
    }
    button = ButtonColour::Black;
    Looks.Cmd_Stop = ButtonColour::Red;
    CursorVisible = false;
}

void Transport::EndOfList() {
    wave_.SetPlayCommand(kWavStop);
    CursorVisible = false;
    TimerEnabled = false;
    Call(hooks_.UnlockOtherWindows);
    SetStoppedLook();
    Looks.Cmd_Stop = ButtonColour::Red;
    Wait(kSettleMs);
    Events();
    if (wave_.WavLength() > 0) CursorUpdate();
}

void Transport::EndOfPlay() {
    if (!HasClips()) return;
    // Pause's own stop raises this too; it is not an end of play.
    if (Looks.Cmd_Pause == ButtonColour::Red) return;

    if (stopAfterClip_) {
        if (wave_.RepeatPlay()) {
            Loop(); // acts only when Loop is black
            return;
        }
        wave_.SetPlayCommand(kWavStop);
        if (Looks.Cmd_PlayClip != ButtonColour::Red) CursorVisible = false;
        TimerEnabled = false;
        Call(hooks_.UnlockOtherWindows);
        SetStoppedLook();
        // After PlayClip the window looks paused at the range end, so Play continues from there.
        if (CursorVisible)
            Looks.Cmd_Pause = ButtonColour::Red;
        else
            Looks.Cmd_Stop = ButtonColour::Red;
        Wait(kSettleMs);
        Events();
        return;
    }

    // Continuous play: on to the next clip that has a playable file.
    if (CurrentClip >= count_) {
        EndOfList();
        return;
    }
    ++CurrentClip;
    ShowCurrentClip();
    while (!HasPlayableFile()) {
        if (CurrentClip >= count_) {
            EndOfList();
            return;
        }
        ++CurrentClip;
        ShowCurrentClip();
    }
    StartShownClip(true);
    CursorX = 0;
    CursorVisible = true;
    TimerEnabled = true;
    Call(hooks_.LockOtherWindows);
    Wait(kSettleMs);
}

} // namespace zarn
