// SigRoll32 as the operator starts it: in a folder of its own, on the offscreen platform.
#include "fake_prompter.h"
#include "signal_list_window.h"
#include "temp_dir.h"

#include <QProcess>
#include <QListView>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zarn::test::TempDir;

// The program replaces its pointer file at every start, so a new inode shows that it has loaded.
ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts the program in `dir` and stops it once it has rewritten its pointer file to name `list`, or
// after a few seconds. Returns whether that happened.
bool RunUntilPointer(const TempDir& dir, const std::string& list) {
    const std::string pointer = dir.file("~FREQ.~IG");
    const ino_t before = InodeOf(pointer);
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SIGROLL32_PROGRAM), {});
    bool seen = false;
    for (int i = 0; i < 100 && !seen && program.waitForStarted(5000); ++i) {
        QTest::qWait(50);
        seen = InodeOf(pointer) != before && TempDir::read(pointer) == list + "\r\n";
    }
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";
    program.terminate();
    if (!program.waitForFinished(5000)) program.kill();
    return seen;
}

// In an empty folder it makes the default list and its pointer; started again, it reopens the list
// the pointer names and leaves both lists unchanged.
TEST(SigRoll32, MakesTheDefaultListThenReopensTheListThePointerNames) {
    TempDir dir;
    ASSERT_TRUE(RunUntilPointer(dir, dir.file("~FREQ.SIG")));
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    const std::string record = "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4\r\n";
    const std::string station = dir.write("station.SIG", record);
    dir.write("~FREQ.~IG", station + "\r\n");
    dir.write("~FREQ.SIG", "00030.00000,kept\r\n");
    ASSERT_TRUE(RunUntilPointer(dir, station));
    EXPECT_EQ(TempDir::read(station), record);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "00030.00000,kept\r\n");
}

// `SigRoll32 FILE`, as a file manager starts it: FILE (here relative to the start folder) is opened
// after the start list, so the pointer file names it and both lists are left as they were.
TEST(SigRoll32, OpensTheListGivenOnItsCommandLine) {
    TempDir tmp;
    const std::string record = "00145.50000,[   00.010    20    FM    ]{2}(9)/ \\Tower\r\n";
    const std::string net = tmp.write("Net.SIG", record);
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(tmp.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SIGROLL32_PROGRAM), {QStringLiteral("Net.SIG")});
    ASSERT_TRUE(program.waitForStarted(5000));
    bool named = false;
    for (int i = 0; i < 100 && !named; ++i) {
        QTest::qWait(50);
        named = TempDir::read(tmp.file("~FREQ.~IG")) == net + "\r\n";
    }
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";
    program.terminate();
    if (!program.waitForFinished(5000)) program.kill();
    EXPECT_TRUE(named) << TempDir::read(tmp.file("~FREQ.~IG"));
    EXPECT_EQ(TempDir::read(net), record);
    EXPECT_EQ(TempDir::read(tmp.file("~FREQ.SIG")), "");

    // What the window shows after the same steps; a file that is not there changes nothing, as in Open.
    zarn::test::FakePrompter prompts;
    zarn::SignalListSetup setup;
    setup.standalone = true;
    setup.folder = tmp.path();
    tmp.write("~FREQ.~IG", tmp.file("~FREQ.SIG") + "\r\n");
    zarn::SignalListWindow window(prompts, std::move(setup));
    window.Load();
    window.OpenListFile(net);
    const QAbstractItemModel* shown = window.findChild<QListView*>()->model();
    ASSERT_EQ(shown->rowCount(), 1);
    EXPECT_EQ(shown->index(0, 0).data().toString().toStdString(),
              " 00145.50000   00.010   20   FM    ?s     9        Tower");
    EXPECT_EQ(window.windowTitle().toStdString(), "SIGNAL LIST - [net.sig]");
    EXPECT_EQ(TempDir::read(tmp.file("~FREQ.~IG")), net + "\r\n");
    window.OpenListFile(tmp.file("Gone.SIG"));
    EXPECT_EQ(shown->rowCount(), 1);
    EXPECT_EQ(window.windowTitle().toStdString(), "SIGNAL LIST - [net.sig]");
    EXPECT_EQ(TempDir::read(tmp.file("~FREQ.~IG")), net + "\r\n");
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

} // namespace
