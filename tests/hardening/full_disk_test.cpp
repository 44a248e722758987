// Every command that writes, on a full disk and in a read-only place: the operator is warned, the
// data in memory stays, the files on disk stay as they were, and nothing claims success.
//
// The place is a small tmpfs mounted for the test when the process may mount (CI runs as root); a
// full disk is that tmpfs filled up, a read-only place the tmpfs remounted read-only. Without mount
// rights a full disk is a file size limit of one byte (writes fail part way, as on a full disk), and a
// read-only place is a folder without write permission, which stops every user but root.
#include "zarn_app.h"
#include "main_bar.h"

#include "clip_text.h"
#include "eventline.h"
#include "fake_prompter.h"
#include "fake_wave_control.h"
#include "file_size_limit.h"
#include "find_control.h"
#include "formats.h"
#include "bandwidth_dialog.h"
#include "latin1.h"
#include "summary_window.h"
#include "player_window.h"
#include "segment_answer.h"
#include "signal_list_window.h"
#include "siglist_texts.h"
#include "temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <iostream>
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

std::string Name(const ::testing::TestParamInfo<Trouble>& info) {
    return info.param == Trouble::FullDisk ? "FullDisk" : "ReadOnly";
}

// A folder to work in that can be made full or read-only.
class Place {
public:
    Place(std::string dir, const char* size) : dir_(std::move(dir)) {
        std::error_code ec;
        fs::remove_all(dir_, ec); // a folder left by the case before, when nothing was mounted
        fs::create_directories(dir_);
        const std::string options = std::string("size=") + size;
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~Place() {
        limit_.reset();
        if (mounted_ && ::umount(dir_.c_str()) != 0) ::umount2(dir_.c_str(), MNT_DETACH);
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    const std::string& dir() const { return dir_; }
    std::string file(const std::string& name) const { return dir_ + "/" + name; }
    std::string How() const { return mounted_ ? "tmpfs" : "RLIMIT_FSIZE / folder modes"; }

    // Makes the place full or read-only; false when this process cannot make it read-only.
    bool Break(Trouble trouble) {
        if (trouble == Trouble::FullDisk) {
            if (!mounted_) {
                limit_ = std::make_unique<test::FileSizeLimit>(1);
                return limit_->Active();
            }
            Fill();
            return true;
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
        if (mounted_)
            ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT, nullptr);
        else
            for (const auto& e : fs::recursive_directory_iterator(dir_, ec))
                if (e.is_directory())
                    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        ::unlink(file(".filler").c_str());
    }

private:
    // Writes a filler until the file system refuses a single byte more.
    void Fill() {
        const int fd = ::open(file(".filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }

    std::string dir_;
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
constexpr const char* kConfig = "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n";
constexpr const char* kReprocessTitle = "Default sig BW change";

std::string Record(const char* freq) {
    return std::string(freq) + ",[   00.010    20    FM    ]{2}(9)/ \\\r\n";
}

// More frequencies than one picture shows: the summary offers to split the segment.
std::string Overfull() {
    std::string text = "Ver, test\r\nSTARTBYTRIGGER,01/02/05 10:00:00,OV0001.WAV\r\n";
    const auto at = [](int s) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "01/02/05 %02d:%02d:%02d", 10 + s / 3600, s / 60 % 60, s % 60);
        return std::string(buf);
    };
    for (int n = 1; n <= 2010; ++n)
        text += "WAV,OV" + FormatNumber(n, "0000") + ".WAV,1," + FormatNumber(30.0 + n * 0.1, "0000.0000") +
                "," + at(n) + "," + at(n + 1) + ",-80,1\r\n";
    return text;
}

class FullDisk : public ::testing::TestWithParam<Trouble> {
public: // the tables' commands reach in
    // Zarn_zed32 started in the place on a current list STATION.SIG.
    void Start(const char* size = "256k") {
        place = std::make_unique<Place>(tmp.file("vol"), size);
        std::cout << "[ place    ] " << place->How() << "\n";
        Write("~FREQ.SIG", "");
        Write("STATION.SIG", kList);
        Write("~FREQ.~IG", place->file("STATION.SIG") + "\r\n");
        Write("~Freq.Cmt", "[Signal List Comments]\r\nbeacon\r\n");
        Write("Zarn_Aud.Ini", kConfig);
        app = std::make_unique<ZarnApp>(prompts, place->dir());
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
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = place->file(name);
        fs::create_directories(fs::path(path).parent_path());
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (!f) return path;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    void OpenRecording(const std::string& name, const std::string& text) {
        prompts.ExpectOpenFile("Open... Audio File", Write(name, text));
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        MainItem("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_NE(app->Summary(), nullptr);
    }
    void OpenRecording() {
        Write("NT0001.WAV", "RIFF clip one");
        OpenRecording("NETA0102.EVA", kRecording);
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
        for (const auto& e : fs::recursive_directory_iterator(place->dir()))
            if (e.is_regular_file() && e.path().filename() != ".filler")
                out[fs::relative(e.path(), place->dir()).string()] = TempDir::read(e.path().string());
        return out;
    }
    // Breaks the place, runs the command, mends the place. False (and the test skipped) when the
    // place cannot be broken that way here.
    bool Run(const std::function<void()>& command) {
        before = Files();
        if (!place->Break(GetParam())) return false;
        command();
        place->Mend();
        return true;
    }
    // The files as they were before the command, apart from those named.
    void ExpectUntouched(const std::vector<std::string>& changed = {}) {
        std::map<std::string, std::string> now = Files(), was = before;
        for (const auto& name : changed) {
            now.erase(name);
            was.erase(name);
        }
        EXPECT_EQ(now, was);
    }
    SignalListWindow& List() { return *app->SignalList(); }
    QAction* MainItem(const char* name) const { return Control<QAction>(app->MainWindow(), name); }
    void SwitchWaveDisplay() const { Control<QAction>(app->Player(), "WAV_Display_On")->trigger(); }
    bool Full() const { return GetParam() == Trouble::FullDisk; }

    TempDir tmp;
    std::unique_ptr<Place> place;
    Prompts prompts;
    std::unique_ptr<ZarnApp> app;
    std::map<std::string, std::string> before;
};

#define RUN_OR_SKIP(command)                                                                                 \
    do {                                                                                                     \
        if (!Run(command)) GTEST_SKIP() << "no read-only place for root without mount rights";               \
    } while (0)

// --- The signal list window: every change is written through, and a failed write keeps the list.

TEST_P(FullDisk, ListChangesWarnAndKeepTheListInMemory) {
    struct Case {
        const char* name;
        std::function<void(FullDisk&)> command;
        int countAfter; // entries in memory after the command
    };
    // An emptied list needs no room: Delete All on a full disk writes it.
    const std::vector<Case> cases = {
        {"add",
         [](FullDisk& t) {
             SignalListWindow& l = t.List();
             l.Add();
             auto* freq = Control<QLineEdit>(&l, "P_Freq");
             freq->setFocus();
             freq->selectAll();
             QTest::keyClicks(freq, QStringLiteral("150"));
             QTest::keyClick(freq, Qt::Key_Return);
             Control<QPushButton>(&l, "B_OK")->click();
         },
         3},
        {"paste",
         [](FullDisk& t) {
             const std::string line = " 00150.00000   00.010   20   FM    ?s     9        ";
             QGuiApplication::clipboard()->setText(Qs(SignalListClipText({line})));
             t.List().Paste();
         },
         3},
        {"delete",
         [](FullDisk& t) {
             t.prompts.ExpectMessage(sigtext::kDeleteConfirmTitle, sigtext::kDeleteConfirmText,
                                     MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
             t.List().SetHighlighted(0, true);
             t.List().Delete();
         },
         1},
        {"delete all",
         [](FullDisk& t) {
             t.prompts.ExpectMessage(sigtext::kDeleteConfirmTitle, sigtext::kDeleteAllText, MsgIcon::Question,
                                     MsgButtons::YesNo, MsgAnswer::Yes);
             t.List().DeleteAll();
         },
         0},
        {"import",
         [](FullDisk& t) {
             t.prompts.ExpectOpenFile(sigtext::kImportDialog, t.place->file("IMPORT.SIG"));
             t.List().Import();
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        Write("IMPORT.SIG", Record("00150.00000"));
        ASSERT_EQ(List().List().Count(), 2);
        RUN_OR_SKIP([&] { c.command(*this); });
        EXPECT_EQ(List().List().Count(), c.countAfter);
        EXPECT_EQ(List().SigListFileName(), place->file("STATION.SIG"));
        if (Full() && c.countAfter == 0) {
            EXPECT_TRUE(prompts.warnings.empty());
            ExpectUntouched({"STATION.SIG"});
            EXPECT_EQ(TempDir::read(place->file("STATION.SIG")), "");
        } else {
            EXPECT_EQ(prompts.warnings, std::vector<std::string>{sigtext::kSaveWarnTitle});
            ExpectUntouched();
        }
        TearDown();
        prompts = Prompts();
    }
}

TEST_P(FullDisk, SaveAsKeepsTheCurrentFile) {
    Start();
    prompts.ExpectSaveFile(sigtext::kSaveAsDialog, place->file("NEW.SIG"));
    RUN_OR_SKIP([&] { List().SaveAs(); });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{sigtext::kSaveWarnTitle});
    EXPECT_EQ(List().SigListFileName(), place->file("STATION.SIG"));
    EXPECT_EQ(app->SigListFileName(), place->file("STATION.SIG"));
    EXPECT_EQ(List().windowTitle(), QStringLiteral("SIGNAL LIST - [station.sig]"));
    ExpectUntouched();
}

// New empties the default list: on a full disk an empty file still fits, so only the pointer
// rewrite fails (and says so); in a read-only place nothing changes.
TEST_P(FullDisk, NewWarnsWhenTheDefaultListOrThePointerCannotBeWritten) {
    Start();
    prompts.ExpectMessage(sigtext::kNewTitle, sigtext::kNewText1 + place->file("~FREQ.SIG") + sigtext::kNewText2,
                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    RUN_OR_SKIP([&] { List().New(); });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{sigtext::kSaveWarnTitle});
    EXPECT_EQ(List().List().Count(), Full() ? 0 : 2);
    ExpectUntouched(); // the default list was empty already
}

TEST_P(FullDisk, OpenWarnsWhenThePointerCannotBeRewritten) {
    Start();
    const std::string other = Write("OTHER.SIG", Record("00150.00000") + Record("00151.00000"));
    prompts.ExpectOpenFile(sigtext::kOpenDialog, other);
    RUN_OR_SKIP([&] { List().Open(); });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{sigtext::kSaveWarnTitle});
    EXPECT_EQ(List().List().Count(), 2);
    ExpectUntouched();
}

TEST_P(FullDisk, AStoredCommentWarnsAndStaysInTheChooser) {
    Start();
    app->ShowSignalList();
    SignalListWindow& l = List();
    QApplication::setActiveWindow(&l);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&l));
    l.Add();
    auto* comment = Control<QComboBox>(&l, "Cmb_Comment");
    RUN_OR_SKIP([&] {
        comment->setEditText(QStringLiteral("Net 4"));
        QTest::keyClick(comment, Qt::Key_Return);
    });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{sigtext::kCommentWarnTitle});
    EXPECT_EQ(comment->itemText(1), QStringLiteral("Net 4"));
    l.ClosePanel();
    ExpectUntouched();
}

// --- The main window, its dialogs and the player.

TEST_P(FullDisk, TheDefaultBandwidthWarnsAndAppliesUntilTheEnd) {
    Start();
    RUN_OR_SKIP([&] {
        MainItem("IFBW_Default")->trigger();
        BandwidthDialog* d = app->DefaultBandwidth();
        ASSERT_NE(d, nullptr);
        auto* value = Control<QLineEdit>(d, "Value");
        value->selectAll();
        QTest::keyClicks(value, QStringLiteral("12.5"));
        QTest::keyClick(value, Qt::Key_Return);
    });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{kReprocessTitle});
    EXPECT_DOUBLE_EQ(app->Models().settings.DefaultIfbw(), 0.0125);
    ExpectUntouched();
}

TEST_P(FullDisk, PlayerCommandsWarnAndKeepWhatTheyChanged) {
    struct Case {
        const char* name;
        std::function<void(FullDisk&)> command;
        std::string warning;
    };
    const std::vector<Case> cases = {
        {"WAV display switch", [](FullDisk& t) { t.SwitchWaveDisplay(); }, "WAV Display"},
        {"send to the list", [](FullDisk& t) { Control<QPushButton>(t.app->Player(), "Comments")->click(); },
         sigtext::kSaveWarnTitle},
        {"copy wave",
         [](FullDisk& t) {
             t.prompts.ExpectSaveFile("Copy ... Audio Clip", t.place->file("COPY.WAV"));
             t.app->Player()->CopyWaveFile();
         },
         "Copy ... Audio Clip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        Write("COPY.WAV", "an older copy");
        StartPlayer();
        RUN_OR_SKIP([&] { c.command(*this); });
        EXPECT_EQ(prompts.warnings, std::vector<std::string>{c.warning});
        EXPECT_EQ(app->Models().settings.WavDisplayOn(), std::string(c.name) != "WAV display switch");
        EXPECT_EQ(List().List().Count(), std::string(c.name) == "send to the list" ? 3 : 2);
        EXPECT_TRUE(app->Models().play.PlayerLoaded());
        ExpectUntouched();
        TearDown();
        prompts = Prompts();
    }
}

TEST_P(FullDisk, ExportWarnsAndWritesNoEventFile) {
    Start();
    fs::create_directories(place->file("out"));
    OpenRecording();
    Control<QRadioButton>(app->Summary(), "Play_Opt", 1)->click(); // every clip
    prompts.ExpectOpenFile("Export... Audio File Name", place->file("out/NEW.EVA"));
    RUN_OR_SKIP([&] { MainItem("Export")->trigger(); });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Warning message from: Export... Audio File Name"});
    EXPECT_FALSE(fs::exists(place->file("out/NEW.EVA")));
    EXPECT_TRUE(app->Models().recording.SummaryLoaded());
    // Clip copies made before the disk ran out may stay; nothing that was there changes.
    std::map<std::string, std::string> now = Files();
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(now[name], bytes) << name;
}

// Deleting needs no room: on a full disk it works; in a read-only place it is refused and told.
TEST_P(FullDisk, DeleteTellsWhatCouldNotBeDeleted) {
    Start();
    const std::string old = Write("OLDF0102.EVA", kRecording);
    Write(ClipFileName(ClipPrefix(old), 1), "RIFF old clip");
    prompts.ExpectOpenFile("Delete... Audio File", old);
    prompts.ExpectMessage("Confirmation from: Delete... Audio File",
                          old + " and its associated audio data files will be deleted.  Are you sure?",
                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    RUN_OR_SKIP([&] { MainItem("F_Delete")->trigger(); });
    if (Full()) {
        EXPECT_TRUE(prompts.warnings.empty());
        EXPECT_FALSE(fs::exists(old));
        return;
    }
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Warning message from: Delete... Audio File"});
    ExpectUntouched();
}

// The split needs room for the backup and the new file; without it the file stays whole and the
// first part is shown all the same.
TEST_P(FullDisk, ASegmentSplitLeavesTheEventFileWhole) {
    Start("1m");
    const std::string text = Overfull();
    const std::string event = Write("OVER0102.EVA", text);
    prompts.ExpectOpenFile("Open... Audio File", event);
    prompts.ExpectMessage("Too many frequencies",
                          "The selected segment includes too many signal frequencies to be presented as a "
                          "single segment.  Can it be broken into smaller segments, the first of which will "
                          "be presented?",
                          MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    RUN_OR_SKIP([&] {
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        MainItem("F_Open")->trigger();
        EXPECT_TRUE(answer.Seen());
    });
    EXPECT_EQ(prompts.warnings, std::vector<std::string>{"Too many frequencies"});
    EXPECT_TRUE(app->Models().recording.SummaryLoaded());
    EXPECT_GT(app->Models().recording.Table().ClipCount, 0);
    EXPECT_FALSE(fs::exists(place->file("OVER0102.SAV")));
    ExpectUntouched();
}

// Places that stop root even without mount rights: a folder that is a regular file (ENOTDIR) and a
// target that is a folder. Each writer warns and keeps what it had.
TEST_P(FullDisk, TargetsThatAreNoFilesStopEvenRoot) {
    if (Full()) GTEST_SKIP() << "read-only places only";
    struct Case {
        const char* name;
        std::function<void(FullDisk&)> command;
        std::string warning;
    };
    const std::vector<Case> cases = {
        {"save as under a file",
         [](FullDisk& t) {
             t.prompts.ExpectSaveFile(sigtext::kSaveAsDialog, t.place->file("STATION.SIG/NEW.SIG"));
             t.List().SaveAs();
         },
         sigtext::kSaveWarnTitle},
        {"copy wave onto a folder",
         [](FullDisk& t) {
             fs::create_directories(t.place->file("COPY.WAV"));
             t.prompts.ExpectSaveFile("Copy ... Audio Clip", t.place->file("COPY.WAV"));
             t.app->Player()->CopyWaveFile();
         },
         "Copy ... Audio Clip"},
        {"configuration is a folder",
         [](FullDisk& t) {
             fs::remove(t.place->file("Zarn_Aud.Ini"));
             fs::create_directories(t.place->file("Zarn_Aud.Ini"));
             t.SwitchWaveDisplay();
         },
         "WAV Display"},
        {"export under a file",
         [](FullDisk& t) {
             t.prompts.ExpectOpenFile("Export... Audio File Name", t.place->file("STATION.SIG/NEW.EVA"));
             t.app->Summary()->Play_Opt_Click(1);
             t.MainItem("Export")->trigger();
         },
         "Warning message from: Export... Audio File Name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        StartPlayer();
        const std::map<std::string, std::string> was = Files();
        c.command(*this);
        EXPECT_EQ(prompts.warnings, std::vector<std::string>{c.warning});
        EXPECT_EQ(List().SigListFileName(), place->file("STATION.SIG"));
        std::map<std::string, std::string> now = Files();
        now.erase("Zarn_Aud.Ini");
        std::map<std::string, std::string> expected = was;
        expected.erase("Zarn_Aud.Ini");
        EXPECT_EQ(now, expected);
        TearDown();
        prompts = Prompts();
    }
}

INSTANTIATE_TEST_SUITE_P(Places, FullDisk, ::testing::Values(Trouble::FullDisk, Trouble::ReadOnly), Name);

} // namespace
} // namespace zarn
