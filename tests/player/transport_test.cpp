#include "fake_wave_control.h"
#include "transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using zarn::ButtonColour;
using zarn::Transport;
using zarn::test::FakeWaveControl;
using Strings = std::vector<std::string>;

namespace {

constexpr long kMissing = -1; // no file beside the event file
constexpr long kBroken = 0;   // a file that exists but cannot be played
constexpr double kScale = 400;

// A player window around the transport: clips 11, 12, ... at list positions 1, 2, ..., each with
// the given length; the hooks log what the window is asked to do.
struct Player {
    FakeWaveControl wave;
    bool stopAfterClip = false;
    Strings events;
    std::unique_ptr<Transport> t;

    explicit Player(std::vector<long> lengths, int count = -1) {
        std::vector<int> list{0};
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            list.push_back(11 + static_cast<int>(i));
            if (lengths[i] != kMissing) wave.SetFile(Path(list.back()), lengths[i]);
        }
        const auto log = [this](const char* event) { return [this, event] { events.push_back(event); }; };
        zarn::TransportHooks h;
        h.ShowClip = [this](int clip) { events.push_back("Show" + std::to_string(clip)); };
        h.ClipFilePath = [lengths](int clip) {
            return lengths[static_cast<std::size_t>(clip - 11)] == kMissing ? std::string() : Path(clip);
        };
        h.ShowSignalMatch = log("Match");
        h.LockOtherWindows = log("Lock");
        h.UnlockOtherWindows = log("Unlock");
        h.MarkLeftToZero = log("MarkLeft0");
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
        t = std::make_unique<Transport>(wave, list, count < 0 ? static_cast<int>(lengths.size()) : count,
                                        stopAfterClip, h);
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
        wave.writes.clear();
        wave.started.clear();
        events.clear();
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
// Drives the transport as the operator and the control would: l c p u s v n press Loop, PlayClip,
// Play, Pause, Stop, Prev and Next; m marks the range 100-500; a plays on 300 frames.
void Do(Player& p, std::string_view steps) {
    // clang-format off
    for (char step : steps) {
        switch (step) {
        case 'l': p.t->Loop(); break;
        case 'c': p.t->PlayClip(); break;
        case 'p': p.t->Play(); break;
        case 'u': p.t->Pause(); break;
        case 's': p.t->Stop(); break;
        case 'v': p.t->Prev(); break;
        case 'n': p.t->Next(); break;
        case 'm': p.Mark(10, 50, 100, 500); break;
        case 'a': p.wave.Advance(300); break;
        }
    }
    // clang-format on
}

// Every state and button of a three-clip list. Each row is a state reached by steps after Start
// and its looks; then for each button l c p u s v n, the looks after the press, the clip shown
// after, and whether the press reached the control (+/-). Grey and red buttons are dead except
// Pause and Stop; Next and Prev never start playing.
TEST(Transport, StateTable) {
    const struct {
        const char *steps, *before, *presses;
    } states[] = {
        {"", "ggrbbgg", "ggrbbgg1- ggrbbgg1- ggrbbgg1- ggbrbbb1+ ggbbrbb1+ ggrbbgg1- ggrbbgg1-"},
        {"s", "ggbbrbb", "ggbbrbb1- ggbbrbb1- ggrbbgg1+ ggbrbbb1+ ggbbrbb1+ ggbbrbb1- ggbbrbb2+"},
        {"sm", "bbbbrbb", "rggbbgg1+ grgbbgg1+ ggrbbgg1+ bbbrbbb1+ bbbbrbb1+ bbbbrbb1- ggbbrbb2+"},
        {"au", "ggbrbbb", "ggbrbbb1- ggbrbbb1- ggrbbgg1+ ggbrbbb1+ ggbbrbb1+ ggbbrbb1- ggbbrbb2+"},
        {"mau", "bbbrbbb", "rggbbgg1+ grgbbgg1+ ggrbbgg1+ bbbrbbb1+ bbbbrbb1+ bbbbrbb1- ggbbrbb2+"},
        {"smc", "grgbbgg", "grgbbgg1- grgbbgg1- grgbbgg1- bbbrbbb1+ bbbbrbb1+ grgbbgg1- grgbbgg1-"},
        {"sml", "rggbbgg", "rggbbgg1- rggbbgg1- rggbbgg1- bbbrbbb1+ bbbbrbb1+ rggbbgg1- rggbbgg1-"},
        {"snn", "ggbbrbb", "ggbbrbb3- ggbbrbb3- ggrbbgg3+ ggbrbbb3+ ggbbrbb3+ ggbbrbb2+ ggbbrbb3-"},
    };
    for (const auto& s : states) {
        std::istringstream presses(s.presses);
        std::string want;
        for (const char button : std::string_view("lcpusvn")) {
            ASSERT_TRUE(presses >> want);
            SCOPED_TRACE(testing::Message() << "after '" << s.steps << "' press " << button);
            Player p({2000, 2000, 2000});
            p.t->Start();
            Do(p, s.steps);
            ASSERT_EQ(Looks(*p.t), s.before);
            p.Clear();
            Do(p, std::string_view(&button, 1));
            EXPECT_EQ(Looks(*p.t) + std::to_string(p.t->CurrentClip) + (p.wave.writes.empty() ? '-' : '+'), want);
        }
    }
}

TEST(Transport, StartDrawsShortClipsFirstAndStartsLongOnesAtOnce) {
    for (long length : {1500L, 1501L}) {
        SCOPED_TRACE(length);
        Player p({length});
        p.t->Start();
        // A long clip plays while it is drawn, so events run between the command and the drawing.
        EXPECT_EQ(p.events, (length > 1500 ? Strings{"Show11", "Lock", "Events", "LoadWaveform"}
                                           : Strings{"Show11", "Lock", "LoadWaveform"}));
        EXPECT_EQ(p.wave.writes,
                  (Strings{"WavFileName=" + Player::Path(11), "RepeatPlay=0", "AuxFlag=0", "PlayCommand=1"}));
        EXPECT_EQ(p.wave.started, (std::vector{Played(11, 0, length)}));
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
    EXPECT_EQ(p.events, (Strings{"Show13", "Show14", "Show15", "Events", "LoadWaveform", "Lock", "Wait200"}));
    EXPECT_EQ(p.wave.started, (std::vector{Played(15, 0, 5000)}));
    EXPECT_EQ(std::tuple(p.t->CursorX, p.t->CursorVisible, p.t->CopyEnabled), std::tuple(0.0, true, true));
    // Stepped onto a clip without a file, Play moves on to the next one that has one.
    p.t->Stop();
    p.t->Next();
    EXPECT_FALSE(p.t->CopyEnabled);
    p.Clear();
    p.t->Play();
    EXPECT_EQ(p.t->CurrentClip, 7);
    EXPECT_EQ(p.wave.started, (std::vector{Played(17, 0, 3000)}));
    EXPECT_EQ(Looks(*p.t), "ggrbbgg");
}

// Where a play ends stopped: at the end of the list, on nothing left with a file, after one clip
// only, or at a count cut to the list.
TEST(Transport, PlayEndsStopped) {
    struct Case {
        const char* what;
        std::vector<long> lengths;
        int count;
        bool stopAfterClip;
        int finishes, clip;
    };
    const Case cases[] = {
        {"the last clip", {2000, 2000}, -1, false, 2, 2},
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
        EXPECT_EQ(std::pair(p.t->CurrentClip, Looks(*p.t)), std::pair(c.clip, std::string("ggbbrbb")));
        EXPECT_TRUE(p.wave.started.empty());
        EXPECT_FALSE(p.t->CursorVisible || p.t->TimerEnabled);
        EXPECT_EQ(Strings(p.events.end() - 3, p.events.end()), (Strings{"Unlock", "Wait200", "Events"}));
    }
}

// A range plays to its end and looks paused there, so Play goes on from the range end; a stop mark
// alone plays the clip to the mark, but loops the whole clip until stopped, through PlayDone.
TEST(Transport, MarkedRangesPlayClipAndLoop) {
    Player p({2000, 2000});
    p.t->Start();
    Do(p, "smc");
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
    EXPECT_EQ(p.events, (Strings{"Match", "Lock", "Wait200", "Events"}));
    p.t->Stop();
    p.Mark(0, 50, 0, 250);
    p.Clear();
    p.t->Loop();
    EXPECT_EQ(p.wave.started, (std::vector{Played(12, 0, 2000, true)}));
    EXPECT_EQ(p.events, (Strings{"MarkLeft0", "Match", "Lock", "Wait200", "Events", "Wait200", "Events"}));
    EXPECT_EQ(p.wave.writes,
              (Strings{"PlayFrom=0", "PlayTo=2000", "AuxFlag=0", "RepeatPlay=1", "PlayCommand=1", "PlayFrom=0"}));
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
        EXPECT_EQ(p.events, (queued ? Strings{"Wait200", "Events", "Unlock", "Wait200", "Events", "Unlock"}
                                    : Strings{"Wait200", "Events", "Unlock"}));
        EXPECT_EQ(p.t->CursorX, 0);
        p.wave.RaisePlayDone();
        EXPECT_TRUE(p.wave.started.empty());
        EXPECT_EQ(p.t->CurrentClip, 1);

        p.t->Play();
        p.wave.Advance(700);
        p.t->TimerTick();
        p.Clear();
        p.t->Pause();
        EXPECT_EQ(std::tuple(p.t->PausePos, p.t->TimerEnabled, p.t->CursorVisible), std::tuple(700L, false, true));
        EXPECT_EQ(p.events, (Strings{"Wait200", "Events"})); // the other windows stay locked
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
// elsewhere at the range start; PlayFrom is written back to the range start after the command.
TEST(Transport, ResumeInsideTheRangeOnly) {
    for (bool loop : {false, true}) {
        for (const auto& [pauseAt, from] : {std::pair{100L, 100L}, {500L, 500L}, {50L, 100L}, {900L, 100L}}) {
            SCOPED_TRACE(testing::Message() << "pause at " << pauseAt << (loop ? " loop" : " clip"));
            Player p({2000});
            p.t->Start();
            p.Mark(10, 50, 100, 500);
            p.wave.Advance(pauseAt);
            p.t->Pause();
            loop ? p.t->Loop() : p.t->PlayClip();
            EXPECT_EQ(p.wave.started, (std::vector{Played(11, 0, 2000), Played(11, from, 500, loop)}));
            EXPECT_EQ(p.wave.writes.back(), "PlayFrom=100");
        }
    }
}

// An empty list greys every button and does nothing; one clip has no neighbours; without a file the
// cursor stays; a transport destroyed while its clip plays no longer hears the control.
TEST(Transport, EmptyAndOneClipListsAndNoFile) {
    Player p({}, 0);
    p.t->Start();
    EXPECT_EQ(std::pair(p.t->CurrentClip, p.t->CopyEnabled), std::pair(0, false));
    Do(p, "lcpusvn");
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
