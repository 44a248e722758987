// Every command that writes, on a full disk and in a read-only place: the operator is warned, the
// data in memory stays, the files on disk stay as they were, and nothing claims success.
//
// The place is a small tmpfs mounted for the test when the process may mount (CI runs as root); a
// full disk is that tmpfs filled up, a read-only place the tmpfs remounted read-only. Without mount
// rights a full disk is a file size limit of one byte (writes fail part way, as on a full disk), and a
// read-only place is a folder without write permission, which stops every user but root.
#include "bandwidth_dialog.h"
#include "fake_prompter.h"
#include "fake_wave_control.h"
#include "file_size_limit.h"
#include "find_control.h"
#include "formats.h"
#include "main_bar.h"
#include "player_window.h"
#include "segment_answer.h"
#include "signal_list_window.h"
#include "summary_window.h"
#include "temp_dir.h"
#include "zarn_app.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace zarn {
namespace {

namespace fs = std::filesystem;
using test::Control;
using test::TempDir;

enum class Trouble { FullDisk, ReadOnly };

// A folder to work in that can be made full or read-only.
class Place {
public:
    Place(std::string dir, const char* size) : dir_(std::move(dir)) {
        std::error_code ec;
        fs::remove_all(dir_, ec); // a folder left by the case before, when nothing was mounted
        fs::create_directories(dir_);
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~Place() {
        Mend();
        if (mounted_ && ::umount(dir_.c_str()) != 0) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    std::string file(const std::string& name) const { return dir_ + "/" + name; }

    // Makes the place full or read-only; false when this process cannot make it read-only.
    bool Break(Trouble trouble) {
        if (trouble == Trouble::FullDisk && !mounted_) {
            limit_ = std::make_unique<test::FileSizeLimit>(1);
            return limit_->Active();
        }
        if (trouble == Trouble::FullDisk) {
            // A filler until the file system refuses a single byte more.
            const int fd = ::open(file(".filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            const std::string block(65536, 'f');
            for (std::size_t n = block.size(); n > 0; n /= 2)
                while (::write(fd, block.data(), n) == static_cast<ssize_t>(n)) {
                }
            EXPECT_EQ(errno, ENOSPC);
            ::close(fd);
            return fd >= 0;
        }
        if (mounted_) return ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        if (::geteuid() == 0) return false; // root writes through folder modes
        for (const auto& e : fs::recursive_directory_iterator(dir_))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::remove);
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
        return true;
    }
    // Writable again, so the test can look at and clean up what is there.
    void Mend() {
        limit_.reset();
        std::error_code ec;
        if (mounted_) ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT, nullptr);
        for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
            if (e.is_directory()) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        ::unlink(file(".filler").c_str());
    }

    const std::string dir_;

private:
    bool mounted_ = false;
    std::unique_ptr<test::FileSizeLimit> limit_;
};

// Warnings are taken as they come (their texts carry the system's reason); questions and dialogs
// are scripted as usual.
class Prompts : public test::FakePrompter {
public:
    MsgAnswer Message(const std::string& title, const std::string& text, MsgIcon icon,
                      MsgButtons buttons) override {
        if (icon != MsgIcon::Exclamation) return FakePrompter::Message(title, text, icon, buttons);
        warnings.push_back(title);
        EXPECT_EQ(buttons, MsgButtons::Ok) << title;
        return MsgAnswer::Ok;
    }
    std::vector<std::string> warnings;
};

// A NETORA recording of three clips; 145.03 MHz is listed, 145.00 is not.
constexpr const char* kRecording = "Ver, Created by the recorder\r\n"
                                   "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                   "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                   "WAV,NT0002.WAV,2,145.0300,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                   "WAV,NT0003.WAV,3,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                   "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";
constexpr const char* kList = "00145.03000,[   00.010    20    FM    ]{2}(9)/ \\tower\r\n"
                              "00146.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n";
constexpr const char* kSaveWarn = "SAVE Signal List... WARNING:";
constexpr const char* kTooMany = "The selected segment includes too many signal frequencies to be presented as a "
                                 "single segment.  Can it be broken into smaller segments, the first of which "
                                 "will be presented?";

// More frequencies than one picture shows: the summary offers to split the segment.
std::string Overfull() {
    std::string text = "Ver, test\r\nSTARTBYTRIGGER,01/02/05 10:00:00,OV0001.WAV\r\n";
    const auto at = [](int s) {
        return "01/02/05 10:" + FormatNumber(s / 60, "00") + ":" + FormatNumber(s % 60, "00");
    };
    for (int n = 1; n <= 2010; ++n)
        text += "WAV,OV" + FormatNumber(n, "0000") + ".WAV,1," + FormatNumber(30.0 + n * 0.1, "0000.0000") +
                "," + at(n) + "," + at(n + 1) + ",-80,1\r\n";
    return text;
}

class FullDisk : public ::testing::TestWithParam<Trouble> {
public: // the table's commands reach in
    // Zarn_zed32 started in the place on a current list STATION.SIG.
    void Start(const char* size) {
        place = std::make_unique<Place>(tmp.file("vol"), size);
        Write("~FREQ.SIG", "");
        Write("STATION.SIG", kList);
        Write("~FREQ.~IG", place->file("STATION.SIG") + "\r\n");
        Write("~Freq.Cmt", "[Signal List Comments]\r\nbeacon\r\n");
        Write("Zarn_Aud.Ini", "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n");
        app = std::make_unique<ZarnApp>(prompts, place->dir_);
        app->MakeWaveControl = [this] {
            auto w = std::make_unique<test::FakeWaveControl>();
            w->SetFile(place->file("NT0001.WAV"), 2000);
            return w;
        };
        app->PlayerWaitMs = [](int) {};
        app->StartUp();
        QTest::qWait(20);
    }
    void TearDown() override {
        EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
        app.reset();
        place.reset();
        prompts = Prompts();
    }
    std::string Write(const std::string& name, const std::string& bytes) { return tmp.write("vol/" + name, bytes); }
    void OpenRecording() {
        Write("NT0001.WAV", "RIFF clip one");
        prompts.ExpectOpenFile("Open... Audio File", Write("NETA0102.EVA", kRecording));
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        MainItem("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_NE(app->Summary(), nullptr);
    }
    void StartPlayer() {
        OpenRecording();
        app->Models().play.SetPlayList({1});
        app->ShowPlayer();
        ASSERT_NE(app->Player(), nullptr);
    }
    // Every file in the place, by name.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(place->dir_))
            if (e.is_regular_file() && e.path().filename() != ".filler")
                out[fs::relative(e.path(), place->dir_).string()] = TempDir::read(e.path().string());
        return out;
    }
    SignalListWindow& List() { return *app->SignalList(); }
    int Count() { return List().List().Count(); }
    QAction* MainItem(const char* name) const { return Control<QAction>(app->MainWindow(), name); }
    bool Full() const { return GetParam() == Trouble::FullDisk; }

    TempDir tmp;
    std::unique_ptr<Place> place;
    Prompts prompts;
    std::unique_ptr<ZarnApp> app;
};

using Step = std::function<void(FullDisk&)>;

struct Case {
    const char* name;
    Step prepare; // before the place breaks
    Step command;
    const char* warning; // the title of the one warning shown
    Step kept;           // what is kept afterwards
    // Files that a command needing no room changes on a full disk, where it works and says nothing.
    std::vector<std::string> changed = {};
    std::string mayAppear = ""; // a folder where new files may stay
    const char* size = "256k";
};

void ShowsTheList(FullDisk& t, int count) {
    EXPECT_EQ(t.Count(), count);
    EXPECT_EQ(t.List().SigListFileName(), t.place->file("STATION.SIG"));
}

std::vector<Case> Cases() {
    const Step player = [](FullDisk& t) {
        t.Write("COPY.WAV", "an older copy");
        t.StartPlayer();
    };
    // The player's commands change the settings or the list in memory, and the player stays loaded.
    const auto playerKept = [](bool wavDisplay, int count) {
        return [=](FullDisk& t) {
            EXPECT_EQ(t.app->Models().settings.WavDisplayOn(), wavDisplay);
            ShowsTheList(t, count);
            EXPECT_TRUE(t.app->Models().play.PlayerLoaded());
        };
    };
    return {
        // The signal list window: every change is written through, and a failed write keeps the list.
        {"add", nullptr,
         [](FullDisk& t) {
             t.List().Add();
             auto* freq = Control<QLineEdit>(&t.List(), "P_Freq");
             freq->setFocus();
             freq->selectAll();
             QTest::keyClicks(freq, QStringLiteral("150"));
             QTest::keyClick(freq, Qt::Key_Return);
             Control<QPushButton>(&t.List(), "B_OK")->click();
         },
         kSaveWarn, [](FullDisk& t) { ShowsTheList(t, 3); }},
        // An emptied list needs no room.
        {"delete all", nullptr,
         [](FullDisk& t) {
             t.prompts.ExpectMessage("DELETE Signal List... CONFIRMATION:",
                                     "Are you sure, you want to delete ALL data from Signal List?", MsgIcon::Question,
                                     MsgButtons::YesNo, MsgAnswer::Yes);
             t.List().DeleteAll();
         },
         kSaveWarn,
         [](FullDisk& t) {
             ShowsTheList(t, 0);
             EXPECT_EQ(TempDir::read(t.place->file("STATION.SIG")), t.Full() ? "" : kList);
         },
         {"STATION.SIG"}},
        {"save as", nullptr,
         [](FullDisk& t) {
             t.prompts.ExpectSaveFile("Saving... Signal List File", t.place->file("NEW.SIG"));
             t.List().SaveAs();
         },
         kSaveWarn,
         [](FullDisk& t) {
             ShowsTheList(t, 2);
             EXPECT_EQ(t.app->SigListFileName(), t.place->file("STATION.SIG"));
             EXPECT_EQ(t.List().windowTitle(), QStringLiteral("SIGNAL LIST - [station.sig]"));
         }},
        // New empties the default list: on a full disk an empty file still fits, so only the pointer
        // rewrite fails (and says so); in a read-only place nothing changes. The default list was
        // empty already.
        {"new", nullptr,
         [](FullDisk& t) {
             t.prompts.ExpectMessage("New Signal List... CONFIRMATION:",
                                     "Signal List's temp_file, " + t.place->file("~FREQ.SIG") +
                                         "\r\nwill be erased to make room for new data.\r\nDo you want to continue?",
                                     MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
             t.List().New();
         },
         kSaveWarn, [](FullDisk& t) { EXPECT_EQ(t.Count(), t.Full() ? 0 : 2); }},
        // Open loads the other list, but the pointer to it cannot be rewritten.
        {"open", [](FullDisk& t) { t.Write("OTHER.SIG", "00150.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"); },
         [](FullDisk& t) {
             t.prompts.ExpectOpenFile("Loading... Signal List File", t.place->file("OTHER.SIG"));
             t.List().Open();
         },
         kSaveWarn, [](FullDisk& t) { EXPECT_EQ(t.Count(), 1); }},
        {"store a comment",
         [](FullDisk& t) {
             t.app->ShowSignalList();
             QApplication::setActiveWindow(&t.List());
             ASSERT_TRUE(QTest::qWaitForWindowActive(&t.List()));
             t.List().Add();
         },
         [](FullDisk& t) {
             auto* comment = Control<QComboBox>(&t.List(), "Cmb_Comment");
             comment->setEditText(QStringLiteral("Net 4"));
             QTest::keyClick(comment, Qt::Key_Return);
         },
         "COMMENT Signal List... WARNING:",
         [](FullDisk& t) {
             EXPECT_EQ(Control<QComboBox>(&t.List(), "Cmb_Comment")->itemText(1), QStringLiteral("Net 4"));
             t.List().ClosePanel();
         }},

        // The main window, its dialogs and the player.
        {"default bandwidth", nullptr,
         [](FullDisk& t) {
             t.MainItem("IFBW_Default")->trigger();
             BandwidthDialog* d = t.app->DefaultBandwidth();
             ASSERT_NE(d, nullptr);
             auto* value = Control<QLineEdit>(d, "Value");
             value->selectAll();
             QTest::keyClicks(value, QStringLiteral("12.5"));
             QTest::keyClick(value, Qt::Key_Return);
         },
         "Default sig BW change",
         [](FullDisk& t) { EXPECT_DOUBLE_EQ(t.app->Models().settings.DefaultIfbw(), 0.0125); }},
        {"WAV display switch", player,
         [](FullDisk& t) { Control<QAction>(t.app->Player(), "WAV_Display_On")->trigger(); }, "WAV Display",
         playerKept(false, 2)},
        {"copy wave", player,
         [](FullDisk& t) {
             t.prompts.ExpectSaveFile("Copy ... Audio Clip", t.place->file("COPY.WAV"));
             t.app->Player()->CopyWaveFile();
         },
         "Copy ... Audio Clip", playerKept(true, 2)},
        // Clip copies made before the disk ran out may stay; nothing that was there changes.
        {"export",
         [](FullDisk& t) {
             fs::create_directories(t.place->file("out"));
             t.OpenRecording();
         },
         [](FullDisk& t) {
             t.prompts.ExpectOpenFile("Export... Audio File Name", t.place->file("out/NEW.EVA"));
             t.app->Summary()->Play_Opt_Click(1); // every clip
             t.MainItem("Export")->trigger();
         },
         "Warning message from: Export... Audio File Name",
         [](FullDisk& t) {
             EXPECT_FALSE(fs::exists(t.place->file("out/NEW.EVA")));
             EXPECT_TRUE(t.app->Models().recording.SummaryLoaded());
         },
         {}, "out/"},
        // Deleting needs no room.
        {"delete a recording",
         [](FullDisk& t) {
             t.Write("OLDF0102.EVA", kRecording);
             t.Write("OLDF0001.WAV", "RIFF old clip");
         },
         [](FullDisk& t) {
             const std::string old = t.place->file("OLDF0102.EVA");
             t.prompts.ExpectOpenFile("Delete... Audio File", old);
             t.prompts.ExpectMessage("Confirmation from: Delete... Audio File",
                                     old + " and its associated audio data files will be deleted.  Are you sure?",
                                     MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
             t.MainItem("F_Delete")->trigger();
         },
         "Warning message from: Delete... Audio File",
         [](FullDisk& t) { EXPECT_EQ(fs::exists(t.place->file("OLDF0102.EVA")), !t.Full()); },
         {"OLDF0102.EVA", "OLDF0001.WAV"}},
        // The split needs room for the backup and the new file; without it the file stays whole and
        // the first part is shown all the same.
        {"split a segment", [](FullDisk& t) { t.Write("OVER0102.EVA", Overfull()); },
         [](FullDisk& t) {
             t.prompts.ExpectOpenFile("Open... Audio File", t.place->file("OVER0102.EVA"));
             t.prompts.ExpectMessage("Too many frequencies", kTooMany, MsgIcon::Question, MsgButtons::OkCancel,
                                     MsgAnswer::Ok);
             test::SegmentAnswer answer = test::SegmentAnswer::Ok();
             t.MainItem("F_Open")->trigger();
             EXPECT_TRUE(answer.Seen());
         },
         "Too many frequencies",
         [](FullDisk& t) {
             EXPECT_TRUE(t.app->Models().recording.SummaryLoaded());
             EXPECT_GT(t.app->Models().recording.Table().ClipCount, 0);
         },
         {}, "", "1m"},
    };
}

TEST_P(FullDisk, EveryWriterWarnsAndKeepsWhatWasThere) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        Start(c.size);
        if (c.prepare) c.prepare(*this);
        const std::map<std::string, std::string> before = Files();
        if (!place->Break(GetParam())) GTEST_SKIP() << "no read-only place for root without mount rights";
        c.command(*this);
        place->Mend();
        const bool works = !c.changed.empty() && Full();
        EXPECT_EQ(prompts.warnings, works ? std::vector<std::string>{} : std::vector<std::string>{c.warning});
        std::map<std::string, std::string> now = Files(), was = before;
        std::erase_if(now, [&](const auto& file) {
            return !c.mayAppear.empty() && file.first.starts_with(c.mayAppear) && !was.count(file.first);
        });
        for (const auto& name : works ? c.changed : std::vector<std::string>{}) {
            now.erase(name);
            was.erase(name);
        }
        EXPECT_EQ(now, was);
        if (c.kept) c.kept(*this);
        TearDown();
    }
}

INSTANTIATE_TEST_SUITE_P(Places, FullDisk, ::testing::Values(Trouble::FullDisk, Trouble::ReadOnly),
                         [](const auto& info) { return info.param == Trouble::FullDisk ? "FullDisk" : "ReadOnly"; });

} // namespace
} // namespace zarn
