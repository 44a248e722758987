// SigRoll32 as the operator starts it: in a folder of its own, on the offscreen platform.
#include "temp_dir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

using zarn::test::TempDir;

// The pointer file's inode: the program replaces the file at every start, so a new inode shows that
// it has loaded. 0 when there is no file.
ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts the program in `folder` and stops it once it has rewritten its pointer file to name
// `expectList`, or after a few seconds. Returns whether that happened.
bool RunUntilPointer(const std::string& folder, const std::string& expectList, const TempDir& tmp) {
    const std::string pointer = folder + "/~FREQ.~IG";
    const ino_t before = InodeOf(pointer);
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(folder));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SIGROLL32_PROGRAM), {});
    if (!program.waitForStarted(5000)) return false;
    bool seen = false;
    for (int i = 0; i < 100 && !seen; ++i) {
        QTest::qWait(50);
        const ino_t now = InodeOf(pointer);
        seen = now != 0 && now != before && tmp.read(pointer) == expectList + "\r\n";
    }
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";
    program.terminate();
    if (!program.waitForFinished(5000)) program.kill();
    return seen;
}

// In an empty folder it makes the default list and its pointer; started again, it reopens the list
// the pointer names and leaves both lists unchanged.
TEST(SigRoll32, MakesTheDefaultListThenReopensTheListThePointerNames) {
    TempDir tmp;
    ASSERT_TRUE(RunUntilPointer(tmp.path(), tmp.file("~FREQ.SIG"), tmp));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")), "");
    const std::string record = "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4\r\n";
    const std::string station = tmp.write("station.SIG", record);
    tmp.write("~FREQ.~IG", station + "\r\n");
    tmp.write("~FREQ.SIG", "00030.00000,kept\r\n");
    ASSERT_TRUE(RunUntilPointer(tmp.path(), station, tmp));
    EXPECT_EQ(tmp.read(station), record);
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")), "00030.00000,kept\r\n");
}

} // namespace
