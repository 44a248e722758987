#include "fake_wave_control.h"
#include "transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using zarn::ButtonColour;
using zarn::Transport;
using zarn::test::FakeWaveControl;

namespace {

constexpr long kMissing = -1; // no file beside the event file
constexpr long kBroken = 0;   // a file that exists but cannot be played
constexpr double kScale = 400;

// A player window around the transport: clips 11, 12, ... at list positions 1, 2, ..., each with
// the given length; the hooks log what the window is asked to do.
struct Player {
    FakeWaveControl wave;
    bool stopAfterClip = false;
    std::vector<std::string> events;
    std::unique_ptr<Transport> t;

    explicit Player(std::vector<long> lengths, int count = -1) {
        std::vector<int> list{0};
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const int clip = 11 + static_cast<int>(i);
            list.push_back(clip);
            if (lengths[i] != kMissing) wave.SetFile(Path(clip), lengths[i]);
        }
        zarn::TransportHooks h;
        h.ShowClip = [this](int clip) { events.push_back("Show" + std::to_string(clip)); };
        h.ClipFilePath = [lengths](int clip) {
            return lengths[static_cast<std::size_t>(clip - 11)] == kMissing ? std::string() : Path(clip);
        };
        h.ShowSignalMatch = [this] { events.push_back("Match"); };
        h.LockOtherWindows = [this] { events.push_back("Lock"); };
        h.UnlockOtherWindows = [this] { events.push_back("Unlock"); };
        h.LoadWaveform = [this] {
            events.push_back("LoadWaveform");
            t->ClearMarks();
        };
        h.ProcessEvents = [this] {
            events.push_back("Events");
            wave.DeliverPending();
        };
        h.WaitMs = [this](int ms) { events.push_back("Wait" + std::to_string(ms)); };
        h.ScaleWidth = [] { return kScale; };
        h.MarkLeftToZero = [this] { events.push_back("MarkLeft0"); };
        const int n = count < 0 ? static_cast<int>(lengths.size()) : count;
        t = std::make_unique<Transport>(wave, list, n, stopAfterClip, h);
    }
    static std::string Path(int clip) { return "/ev/C" + std::to_string(clip) + ".WAV"; }

    // Marks a range as a mouse press does: PlayClip and Loop turn black unless the control plays.
    void Mark(double start, double stop, double playStart, double playEnd) {
        t->MarkStart = start;
        t->MarkStop = stop;
        t->PlayStart = playStart;
        t->PlayEnd = playEnd;
        if (stop > start && !wave.Playing()) t->Looks.Cmd_PlayClip = t->Looks.Cmd_Loop = ButtonColour::Black;
    }
    void Clear() {
        wave.ClearLog();
        events.clear();
    }
    bool Has(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    // Where a write stands in the control's log, or -1.
    long WriteAt(const std::string& entry) const {
        const auto w = wave.writes;
        auto it = std::find(w.begin(), w.end(), entry);
        return it == w.end() ? -1 : static_cast<long>(it - w.begin());
    }
};

FakeWaveControl::Started Played(int clip, long from, long to, bool repeat = false) {
    return {Player::Path(clip), from, to, repeat};
}

// The seven buttons left to right (Loop, PlayClip, Play, Pause, Stop, Prev, Next) as b/r/g.
std::string Looks(const Transport& t) {
    auto c = [](ButtonColour colour) {
        return colour == ButtonColour::Black ? 'b' : colour == ButtonColour::Red ? 'r' : 'g';
    };
    const auto& l = t.Looks;
    return {c(l.Cmd_Loop), c(l.Cmd_PlayClip), c(l.Cmd_Play), c(l.Cmd_Pause),
            c(l.Cmd_Stop), c(l.Cmd_Prev),     c(l.Cmd_Next)};
}

// clang-format off
enum class From { PlayingList, Stopped, StoppedMarked, Paused, PausedMarked, PlayingRange, Looping,
                  LastStopped };
// clang-format on
enum class Button { Loop, PlayClip, Play, Pause, Stop, Prev, Next };

void Reach(Player& p, From from) {
    p.t->Start();
    // clang-format off
    switch (from) {
    case From::PlayingList: break;
    case From::Stopped: p.t->Stop(); break;
    case From::StoppedMarked: p.t->Stop(); p.Mark(10, 50, 100, 500); break;
    case From::Paused: p.wave.Advance(300); p.t->Pause(); break;
    case From::PausedMarked: p.Mark(10, 50, 100, 500); p.wave.Advance(300); p.t->Pause(); break;
    case From::PlayingRange: p.t->Stop(); p.Mark(10, 50, 100, 500); p.t->PlayClip(); break;
    case From::Looping: p.t->Stop(); p.Mark(10, 50, 100, 500); p.t->Loop(); break;
    case From::LastStopped: p.t->Stop(); p.t->Next(); p.t->Next(); break;
    }
    // clang-format on
}

void Press(Transport& t, Button b) {
    // clang-format off
    switch (b) {
    case Button::Loop: t.Loop(); break;
    case Button::PlayClip: t.PlayClip(); break;
    case Button::Play: t.Play(); break;
    case Button::Pause: t.Pause(); break;
    case Button::Stop: t.Stop(); break;
    case Button::Prev: t.Prev(); break;
    case Button::Next: t.Next(); break;
    }
    // clang-format on
}

// Every state and button of a three-clip list: the looks before and after, the clip shown after,
// and whether the press reached the control. Grey and red buttons are dead except Pause and Stop;
// Next and Prev never start playing.
TEST(Transport, StateTable) {
    struct Case {
        const char* name;
        From from;
        const char* before;
        Button button;
        const char* after;
        int clipAfter;
        bool touchesControl;
    };
    const Case cases[] = {
        {"PlayingLoop", From::PlayingList, "ggrbbgg", Button::Loop, "ggrbbgg", 1, false},
        {"PlayingPlayClip", From::PlayingList, "ggrbbgg", Button::PlayClip, "ggrbbgg", 1, false},
        {"PlayingPlay", From::PlayingList, "ggrbbgg", Button::Play, "ggrbbgg", 1, false},
        {"PlayingPause", From::PlayingList, "ggrbbgg", Button::Pause, "ggbrbbb", 1, true},
        {"PlayingStop", From::PlayingList, "ggrbbgg", Button::Stop, "ggbbrbb", 1, true},
        {"PlayingPrev", From::PlayingList, "ggrbbgg", Button::Prev, "ggrbbgg", 1, false},
        {"PlayingNext", From::PlayingList, "ggrbbgg", Button::Next, "ggrbbgg", 1, false},
        {"StoppedLoop", From::Stopped, "ggbbrbb", Button::Loop, "ggbbrbb", 1, false},
        {"StoppedPlayClip", From::Stopped, "ggbbrbb", Button::PlayClip, "ggbbrbb", 1, false},
        {"StoppedPlay", From::Stopped, "ggbbrbb", Button::Play, "ggrbbgg", 1, true},
        {"StoppedPause", From::Stopped, "ggbbrbb", Button::Pause, "ggbrbbb", 1, true},
        {"StoppedStop", From::Stopped, "ggbbrbb", Button::Stop, "ggbbrbb", 1, true},
        {"StoppedPrevOnFirst", From::Stopped, "ggbbrbb", Button::Prev, "ggbbrbb", 1, false},
        {"StoppedNext", From::Stopped, "ggbbrbb", Button::Next, "ggbbrbb", 2, true},
        {"MarkedLoop", From::StoppedMarked, "bbbbrbb", Button::Loop, "rggbbgg", 1, true},
        {"MarkedPlayClip", From::StoppedMarked, "bbbbrbb", Button::PlayClip, "grgbbgg", 1, true},
        {"MarkedPlay", From::StoppedMarked, "bbbbrbb", Button::Play, "ggrbbgg", 1, true},
        {"MarkedPause", From::StoppedMarked, "bbbbrbb", Button::Pause, "bbbrbbb", 1, true},
        {"MarkedPrevOnFirstKeepsMarks", From::StoppedMarked, "bbbbrbb", Button::Prev, "bbbbrbb", 1, false},
        {"MarkedNextClearsMarks", From::StoppedMarked, "bbbbrbb", Button::Next, "ggbbrbb", 2, true},
        {"PausedLoop", From::Paused, "ggbrbbb", Button::Loop, "ggbrbbb", 1, false},
        {"PausedPlayClip", From::Paused, "ggbrbbb", Button::PlayClip, "ggbrbbb", 1, false},
        {"PausedPlay", From::Paused, "ggbrbbb", Button::Play, "ggrbbgg", 1, true},
        {"PausedPause", From::Paused, "ggbrbbb", Button::Pause, "ggbrbbb", 1, true},
        {"PausedStop", From::Paused, "ggbrbbb", Button::Stop, "ggbbrbb", 1, true},
        {"PausedPrevOnFirst", From::Paused, "ggbrbbb", Button::Prev, "ggbbrbb", 1, false},
        {"PausedNext", From::Paused, "ggbrbbb", Button::Next, "ggbbrbb", 2, true},
        {"PausedMarkedLoop", From::PausedMarked, "bbbrbbb", Button::Loop, "rggbbgg", 1, true},
        {"PausedMarkedPlayClip", From::PausedMarked, "bbbrbbb", Button::PlayClip, "grgbbgg", 1, true},
        {"RangeLoop", From::PlayingRange, "grgbbgg", Button::Loop, "grgbbgg", 1, false},
        {"RangePlayClip", From::PlayingRange, "grgbbgg", Button::PlayClip, "grgbbgg", 1, false},
        {"RangePlay", From::PlayingRange, "grgbbgg", Button::Play, "grgbbgg", 1, false},
        {"RangePause", From::PlayingRange, "grgbbgg", Button::Pause, "bbbrbbb", 1, true},
        {"RangeStop", From::PlayingRange, "grgbbgg", Button::Stop, "bbbbrbb", 1, true},
        {"RangeNext", From::PlayingRange, "grgbbgg", Button::Next, "grgbbgg", 1, false},
        {"LoopingLoop", From::Looping, "rggbbgg", Button::Loop, "rggbbgg", 1, false},
        {"LoopingPlayClip", From::Looping, "rggbbgg", Button::PlayClip, "rggbbgg", 1, false},
        {"LoopingPlay", From::Looping, "rggbbgg", Button::Play, "rggbbgg", 1, false},
        {"LoopingPause", From::Looping, "rggbbgg", Button::Pause, "bbbrbbb", 1, true},
        {"LoopingStop", From::Looping, "rggbbgg", Button::Stop, "bbbbrbb", 1, true},
        {"LoopingPrev", From::Looping, "rggbbgg", Button::Prev, "rggbbgg", 1, false},
        {"LastNextOnlyRecolours", From::LastStopped, "ggbbrbb", Button::Next, "ggbbrbb", 3, false},
        {"LastPrev", From::LastStopped, "ggbbrbb", Button::Prev, "ggbbrbb", 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Player p({2000, 2000, 2000});
        Reach(p, c.from);
        ASSERT_EQ(Looks(*p.t), c.before);
        p.Clear();
        Press(*p.t, c.button);
        EXPECT_EQ(Looks(*p.t), c.after);
        EXPECT_EQ(p.t->CurrentClip, c.clipAfter);
        EXPECT_EQ(!p.wave.writes.empty(), c.touchesControl);
    }
}

TEST(Transport, StartDrawsShortClipsFirstAndStartsLongOnesAtOnce) {
    for (long length : {1500L, 1501L}) {
        SCOPED_TRACE(length);
        Player p({length});
        p.t->Start();
        EXPECT_EQ(p.events.front(), "Show11");
        EXPECT_EQ(p.wave.writes, (std::vector<std::string>{"WavFileName=" + Player::Path(11), "RepeatPlay=0",
                                                            "AuxFlag=0", "PlayCommand=1"}));
        EXPECT_EQ(p.wave.started, (std::vector{Played(11, 0, length)}));
        // A long clip plays while it is drawn: the command comes before LoadWaveform.
        EXPECT_EQ(length >= 1501, p.Has("Events"));
        EXPECT_TRUE(p.t->CursorVisible && p.t->TimerEnabled && p.t->CopyEnabled);
    }
}

// Play goes on through the list, passing over clips without a playable file, and plays each next
// clip whole whatever range the last one had.
TEST(Transport, ContinuousPlayMovesOnPastClipsWithoutAPlayableFile) {
    Player p({kMissing, 2000, kMissing, kBroken, 5000, kMissing, 3000});
    p.t->Start();
    EXPECT_EQ(p.t->CurrentClip, 2);
    EXPECT_EQ(p.wave.started, (std::vector{Played(12, 0, 2000)}));
    p.t->Stop();
    p.t->Play(); // sets PlayTo to this clip's length
    p.Clear();
    p.wave.Finish();
    EXPECT_EQ(p.t->CurrentClip, 5);
    EXPECT_TRUE(p.Has("Show13") && p.Has("Show14") && p.Has("Show15") && p.Has("Lock"));
    EXPECT_EQ(p.wave.started, (std::vector{Played(15, 0, 5000)}));
    EXPECT_EQ(p.t->CursorX, 0);
    EXPECT_TRUE(p.t->CursorVisible && p.t->CopyEnabled);
    // Stepped onto a clip without a file, Play moves on to the next one that has one.
    p.t->Stop();
    p.t->Next();
    EXPECT_FALSE(p.t->CopyEnabled);
    p.Clear();
    p.t->Play();
    EXPECT_EQ(p.t->CurrentClip, 7);
    EXPECT_EQ(p.wave.started, (std::vector{Played(17, 0, 3000)}));
    EXPECT_EQ(Looks(*p.t), "ggrbbgg");
    // The end of the last clip stops the player on it.
    p.Clear();
    p.wave.Finish();
    EXPECT_EQ(p.t->CurrentClip, 7);
    EXPECT_EQ(Looks(*p.t), "ggbbrbb");
    EXPECT_FALSE(p.t->CursorVisible || p.t->TimerEnabled);
    EXPECT_TRUE(p.Has("Unlock"));
    EXPECT_TRUE(p.wave.started.empty());
}

// Where a play ends stopped: nothing left with a file, one clip only, a count cut to the list.
TEST(Transport, PlayEndsStopped) {
    struct Case {
        const char* what;
        std::vector<long> lengths;
        int count;
        bool stopAfterClip;
        int finishes, clip;
    };
    const Case cases[] = {
        {"no file to the end", {2000, kMissing, kBroken}, -1, false, 1, 3},
        {"one clip only", {2000, 2000}, -1, true, 1, 1},
        {"one clip only, without a file", {kMissing, 2000}, -1, true, 0, 1},
        {"a count beyond the list is cut", {2000, 2000}, 5, false, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Player p(c.lengths, c.count);
        p.stopAfterClip = c.stopAfterClip;
        EXPECT_EQ(p.t->PlayListCount(), 2 + (c.lengths.size() > 2));
        p.t->Start();
        for (int i = 0; i < c.finishes; ++i) {
            p.Clear();
            p.wave.Finish();
        }
        EXPECT_EQ(p.t->CurrentClip, c.clip);
        EXPECT_EQ(Looks(*p.t), "ggbbrbb");
        EXPECT_TRUE(p.wave.started.empty());
        EXPECT_FALSE(p.t->CursorVisible);
        EXPECT_TRUE(p.Has("Unlock"));
    }
}

// A range plays to its end and looks paused there, so Play goes on from the range end; a stop mark
// alone plays the clip to the mark, but loops the whole clip until stopped, through PlayDone.
TEST(Transport, MarkedRangesPlayClipAndLoop) {
    Player p({2000, 2000});
    p.t->Start();
    p.t->Stop();
    p.Mark(10, 50, 100, 500);
    p.t->PlayClip();
    EXPECT_TRUE(p.stopAfterClip);
    EXPECT_EQ(p.wave.started.back(), Played(11, 100, 500));
    p.wave.Finish();
    EXPECT_EQ(Looks(*p.t), "bbbrbbb");
    p.t->TimerTick();
    EXPECT_DOUBLE_EQ(p.t->CursorX, 500.0 / 2000 * kScale);
    p.t->Play();
    EXPECT_EQ(p.wave.started.back(), Played(11, 500, 2000));
    p.wave.Finish(); // and the list continues after the clip
    EXPECT_EQ(p.t->CurrentClip, 2);

    p.t->Stop();
    p.Mark(0, 50, 0, 250);
    p.Clear();
    p.t->PlayClip();
    EXPECT_EQ(p.wave.started.back(), Played(12, 0, 250));
    EXPECT_FALSE(p.Has("MarkLeft0"));
    p.t->Stop();
    p.Mark(0, 50, 0, 250);
    p.Clear();
    p.t->Loop();
    EXPECT_EQ(p.wave.started.back(), Played(12, 0, 2000, true));
    EXPECT_TRUE(p.Has("MarkLeft0"));
    EXPECT_LT(p.WriteAt("AuxFlag=0"), p.WriteAt("PlayCommand=1"));
    EXPECT_LT(p.WriteAt("RepeatPlay=1"), p.WriteAt("PlayCommand=1"));
    p.Clear();
    p.wave.Advance(5000); // two laps and more
    p.wave.RaisePlayDone();
    EXPECT_TRUE(p.wave.Playing());
    EXPECT_EQ(Looks(*p.t), "rggbbgg");
    EXPECT_TRUE(p.wave.writes.empty());
}

// A late PlayDone (at once or queued into the handler's own event processing) after Stop or Pause
// starts nothing; Play resumes where the cursor stands. Stop hands the waits to the caller.
TEST(Transport, PauseAndStopIgnoreALatePlayDone) {
    for (bool queued : {false, true}) {
        SCOPED_TRACE(queued);
        Player p({2000, 2000});
        p.wave.playDoneOnStop = queued;
        p.t->Start();
        p.wave.Advance(500);
        p.t->TimerTick();
        EXPECT_DOUBLE_EQ(p.t->CursorX, 100);
        p.Clear();
        p.t->Stop();
        // A queued PlayDone arrives inside Stop's own event processing.
        const std::vector<std::string> late{"Unlock", "Wait200", "Events"};
        std::vector<std::string> stop{"Wait200", "Events", "Unlock"};
        if (queued) stop.insert(stop.begin() + 2, late.begin(), late.end());
        EXPECT_EQ(p.events, stop);
        EXPECT_EQ(p.t->CursorX, 0);
        p.wave.RaisePlayDone();
        EXPECT_TRUE(p.wave.started.empty());
        EXPECT_EQ(p.t->CurrentClip, 1);

        p.t->Play();
        p.wave.Advance(700);
        p.t->TimerTick();
        p.Clear();
        p.t->Pause();
        EXPECT_EQ(p.t->PausePos, 700);
        EXPECT_FALSE(p.t->TimerEnabled);
        EXPECT_TRUE(p.t->CursorVisible);
        EXPECT_FALSE(p.Has("Unlock")); // Pause keeps the other windows locked
        p.Clear();
        p.wave.RaisePlayDone();
        EXPECT_TRUE(p.wave.writes.empty());
        EXPECT_EQ(Looks(*p.t), "ggbrbbb");
        p.t->Play();
        EXPECT_EQ(p.t->PausePos, -1);
        EXPECT_EQ(p.wave.started.back(), Played(11, 700, 2000));
        p.wave.Finish();
        EXPECT_EQ(p.t->CurrentClip, 2);
    }
}

// Where PlayClip and Loop start after a pause: inside the marked range at the pause point,
// elsewhere at the range start.
TEST(Transport, ResumeInsideTheRangeOnly) {
    struct Case {
        long pauseAt, from;
    };
    for (bool loop : {false, true}) {
        for (Case c : {Case{100, 100}, Case{500, 500}, Case{50, 100}, Case{900, 100}}) {
            SCOPED_TRACE(testing::Message() << "pause at " << c.pauseAt << (loop ? " loop" : " clip"));
            Player p({2000});
            p.t->Start();
            p.Mark(10, 50, 100, 500);
            p.wave.Advance(c.pauseAt);
            p.t->Pause();
            loop ? p.t->Loop() : p.t->PlayClip();
            ASSERT_FALSE(p.wave.started.empty());
            EXPECT_EQ(p.wave.started.back(), Played(11, c.from, 500, loop));
            EXPECT_EQ(p.wave.PlayFromValue(), 100); // written back to the range start after the command
        }
    }
}

// An empty list greys every button and does nothing; one clip has no neighbours; without a file the
// cursor stays; a transport destroyed while its clip plays no longer hears the control.
TEST(Transport, EmptyAndOneClipListsAndNoFile) {
    Player p({}, 0);
    p.t->Start();
    EXPECT_EQ(Looks(*p.t), "ggggggg");
    EXPECT_EQ(p.t->CurrentClip, 0);
    EXPECT_FALSE(p.t->CopyEnabled);
    for (Button b : {Button::Play, Button::PlayClip, Button::Loop, Button::Pause, Button::Stop, Button::Next,
                     Button::Prev})
        Press(*p.t, b);
    p.t->EndOfPlay();
    p.t->TimerTick();
    EXPECT_TRUE(p.wave.writes.empty());
    EXPECT_TRUE(p.events.empty());
    EXPECT_EQ(Looks(*p.t), "ggggggg");

    Player one({2000});
    one.t->Start();
    one.t->Stop();
    EXPECT_EQ(Looks(*one.t), "ggbbrgg");
    one.Clear();
    one.t->Next();
    one.t->Prev();
    EXPECT_TRUE(one.events.empty());
    one.t->Play();
    ASSERT_TRUE(one.wave.Playing());
    one.t.reset();
    one.wave.Finish();
    EXPECT_FALSE(one.wave.Playing());

    Player q({kMissing});
    q.stopAfterClip = true;
    q.t->Start();
    q.t->CursorX = 7;
    q.t->TimerTick();
    EXPECT_EQ(q.t->CursorX, 7);
}

} // namespace
