// SigRoll32 as the operator starts it: in a folder of its own, on the offscreen platform.
#include "temp_dir.h"
#include "wait_for.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zarn::test::TempDir;

// The program replaces its pointer file at every start, so a new inode shows that it has loaded (when
// the pointer named the list already; a freed inode may come back on the next replacement).
ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts the program in `dir` with `args` and stops it once it has rewritten its pointer file to name
// `list`, or after a few seconds. Returns whether that happened.
bool RunUntilPointer(const TempDir& dir, const std::string& list, const QStringList& args = {}) {
    const std::string pointer = dir.file("~FREQ.~IG");
    const ino_t before = TempDir::read(pointer) == list + "\r\n" ? InodeOf(pointer) : 0;
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(dir.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SIGROLL32_PROGRAM), args);
    const bool seen = program.waitForStarted(5000) && zarn::test::WaitFor([&] {
        return InodeOf(pointer) != before && TempDir::read(pointer) == list + "\r\n";
    }, 5000);
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";
    program.terminate();
    if (!program.waitForFinished(5000)) program.kill();
    return seen;
}

// In an empty folder it makes the default list and its pointer; started again, it reopens the list
// the pointer names; `SigRoll32 FILE` (FILE relative to the start folder, as a file manager gives it)
// opens FILE after the start list. Every list is left as it was.
TEST(SigRoll32, StartsOnTheDefaultListThePointedListOrTheListGiven) {
    TempDir dir;
    ASSERT_TRUE(RunUntilPointer(dir, dir.file("~FREQ.SIG")));
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    const std::string record = "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4\r\n";
    const std::string station = dir.write("station.SIG", record);
    dir.write("~FREQ.~IG", station + "\r\n");
    dir.write("~FREQ.SIG", "00030.00000,kept\r\n");
    ASSERT_TRUE(RunUntilPointer(dir, station));
    const std::string net = dir.write("Net.SIG", "00145.50000,Tower\r\n");
    ASSERT_TRUE(RunUntilPointer(dir, net, {QStringLiteral("Net.SIG")}));
    EXPECT_EQ(TempDir::read(station), record);
    EXPECT_EQ(TempDir::read(net), "00145.50000,Tower\r\n");
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "00030.00000,kept\r\n");
}

} // namespace
