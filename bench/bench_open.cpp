// Zarn_zed32's Open end to end: the large event file as a PRIORITY collection of 1999 channels
// (the demo station's PRIORITY.EVA and PRIORITY.AUD: one segment of 32767 clips, matched against
// the 32767-entry LARGE.SIG), from the call of File, Open to the end of the summary picture's first
// paint with its bars. Beside it, a plain read of the same file.
//
// Each measurement runs in a process of its own (this program started again with a child option),
// so that the memory peak is that process's alone and no earlier benchmark counts in it. The app
// child starts Zarn_zed32 on the offscreen platform with a program folder of its own whose pointer
// file names LARGE.SIG, lets the start-up settle, then opens the file through the main bar with a
// scripted file dialog; the segment dialog is answered OK as soon as it is shown, so the time
// includes showing it but no thinking. Its peak is VmHWM at the first paint (the whole process:
// Qt, the windows and the signal list included); the rise over the Open is also given.
//
// The inputs come from `demo_station --large DIR`; pass --inputs=DIR, or the generator beside this
// program (../tools/demo_station) writes them into a temporary folder for the run.
#include "main_bar.h"
#include "models.h"
#include "prompter.h"
#include "summary_picture.h"
#include "zarn_app.h"

#include "large_inputs.h"
#include "ratio_reporter.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QSettings>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// --- In the child process.

// A figure of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when it cannot be read.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

// Starts the peak over again from the present resident size (Linux 4.0 and later).
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// The file dialog answers with the event file; any message box is a fault of the run.
class ScriptedPrompter final : public zarn::Prompter {
public:
    explicit ScriptedPrompter(std::string path) : path_(std::move(path)) {}
    zarn::MsgAnswer Message(const std::string& title, const std::string& text, zarn::MsgIcon,
                            zarn::MsgButtons) override {
        if (unexpected.empty()) unexpected = "message box \"" + title + "\": " + text;
        return zarn::MsgAnswer::Cancel;
    }
    std::optional<std::string> OpenFile(const zarn::FileDialogRequest&) override {
        ++openDialogs;
        return path_;
    }
    std::optional<std::string> SaveFile(const zarn::FileDialogRequest&) override {
        if (unexpected.empty()) unexpected = "a save dialog";
        return std::nullopt;
    }
    void Beep() override {
        if (unexpected.empty()) unexpected = "a beep";
    }

    std::string unexpected;
    int openDialogs = 0;

private:
    std::string path_;
};

// Watches every event of the program: answers the segment dialog OK once it is shown, and stamps
// the end of the summary picture's first paint that drew its bars.
class Watcher final : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (painted) return false;
        if (event->type() == QEvent::Show && object->objectName() == QLatin1String("Segment")) {
            auto* dialog = qobject_cast<QDialog*>(object);
            if (dialog && dialogShown == Clock::time_point{}) {
                dialogShown = Clock::now();
                // Queued: the click comes from the dialog's own event loop, as the operator's would.
                QMetaObject::invokeMethod(
                    dialog,
                    [dialog] {
                        if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("OK"))) ok->click();
                    },
                    Qt::QueuedConnection);
            }
        } else if (event->type() == QEvent::Hide && object->objectName() == QLatin1String("Segment") &&
                   dialogHidden == Clock::time_point{}) {
            dialogHidden = Clock::now();
        } else if (event->type() == QEvent::Paint) {
            if (auto* picture = qobject_cast<zarn::SummaryPicture*>(object)) {
                // The paint itself runs here, so that the stamp falls after it.
                object->event(event);
                if (picture->RenderCount() > 0) {
                    paintEnd = Clock::now();
                    painted = true;
                }
                return true;
            }
        }
        return false;
    }

    bool painted = false;
    Clock::time_point dialogShown{}, dialogHidden{}, paintEnd{};
};

// Lets the event loop run for `ms` milliseconds, or until `done` holds.
template <typename Done> void RunEvents(int ms, Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Writes "ok FIELDS..." or "error WHY" to `resultFile`.
int Report(const std::string& resultFile, const std::string& line) {
    std::ofstream(resultFile) << line << "\n";
    return 0;
}

int ChildOpen(const std::string& eventFile, const std::string& listFile, const std::string& resultFile) {
    namespace fs = std::filesystem;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const fs::path folder = fs::temp_directory_path() / ("bench_open_" + std::to_string(getpid()));
    fs::create_directories(folder);
    // The pointer file names the station's signal list, which the start-up loads.
    std::ofstream(folder / "~FREQ.~IG", std::ios::binary) << listFile << "\r\n";

    std::string line;
    {
        int argc = 1;
        char name[] = "bench_open";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        // The Open puts the file into the recent files: keep them beside the inputs, not the user's.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString((folder / "prefs").string()));
        ScriptedPrompter prompter(eventFile);
        zarn::ZarnApp app(prompter, folder.string());
        app.StartUp();
        // The start-up's own painting and layout are done before the Open begins.
        RunEvents(300, [] { return false; });
        const long startupPeakKb = StatusKb("VmHWM");
        const bool reset = ResetPeak();
        const long rssBeforeKb = StatusKb("VmRSS");

        Watcher watcher;
        application.installEventFilter(&watcher);
        const Clock::time_point start = Clock::now();
        app.MainWindow()->F_Open_Click();
        RunEvents(30000, [&] { return watcher.painted; });
        const long openPeakKb = StatusKb("VmHWM");
        application.removeEventFilter(&watcher);

        const zarn::ClipTable& table = app.Models().recording.Table();
        if (!prompter.unexpected.empty()) {
            line = "error " + prompter.unexpected;
        } else if (prompter.openDialogs != 1 || watcher.dialogShown == Clock::time_point{}) {
            line = "error the Open did not go through the file and segment dialogs";
        } else if (!watcher.painted) {
            line = "error the summary picture was not painted within 30 s";
        } else if (table.Type != zarn::CollectionType::Priority || table.ClipCount != 32767 ||
                   table.Skipped != 0) {
            line = "error the picture is not the 32767 clips of a PRIORITY collection";
        } else if (startupPeakKb < 0 || openPeakKb < 0 || rssBeforeKb < 0) {
            line = "error cannot read the memory figures from /proc";
        } else {
            // Without the reset the peak since start-up is all there is; the rise is then unknown (-1).
            const QWidget* picture =
                app.Summary() ? app.Summary()->findChild<zarn::SummaryPicture*>() : nullptr;
            std::ostringstream out;
            out << "ok " << Ms(watcher.paintEnd - start) << ' ' << std::max(startupPeakKb, openPeakKb) << ' '
                << (reset ? openPeakKb - rssBeforeKb : -1024) << ' '
                << Ms(watcher.dialogHidden - watcher.dialogShown) << ' ' << (picture ? picture->width() : 0)
                << ' ' << (picture ? picture->height() : 0);
            line = out.str();
        }
        app.Exit();
    }
    fs::remove_all(folder);
    return Report(resultFile, line);
}

// The floor: open, one read() into a buffer of the file's size, close.
int ChildRead(const std::string& eventFile, const std::string& resultFile) {
    const Clock::time_point start = Clock::now();
    const std::string bytes = zarn::bench::PlainRead(eventFile);
    const Clock::time_point end = Clock::now();
    benchmark::DoNotOptimize(bytes.data());
    std::error_code error;
    if (bytes.empty() || bytes.size() != std::filesystem::file_size(eventFile, error))
        return Report(resultFile, "error cannot read " + eventFile);
    std::ostringstream out;
    out << "ok " << Ms(end - start) << ' ' << StatusKb("VmHWM") << " 0 0 0 0";
    return Report(resultFile, out.str());
}

// --- In the benchmark process.

class Inputs {
public:
    Inputs() : files_(Folder(), "bench_open") {}
    static std::string& Folder() {
        static std::string folder;
        return folder;
    }
    std::string event() const { return files_.File("PRIORITY.EVA"); }
    std::string list() const { return files_.File("LARGE.SIG"); }
    bool ok() const {
        namespace fs = std::filesystem;
        return fs::exists(event()) && fs::exists(files_.File("PRIORITY.AUD")) && fs::exists(list());
    }

private:
    zarn::bench::LargeInputs files_;
};

const Inputs& TheInputs() {
    static const Inputs inputs;
    return inputs;
}

struct ChildResult {
    std::string error; // empty when the child measured
    double ms = 0;
    double peakMb = 0, riseMb = 0, dialogMs = 0;
    int pictureWidth = 0, pictureHeight = 0;
};

// Runs this program again with `options` and reads what it measured.
ChildResult RunChild(std::vector<std::string> options) {
    ChildResult r;
    const std::string resultFile =
        (std::filesystem::temp_directory_path() / ("bench_open_result_" + std::to_string(getpid()))).string();
    std::filesystem::remove(resultFile);
    options.insert(options.begin(), "bench_open");
    options.push_back("--child-result=" + resultFile);
    std::vector<char*> argv;
    for (std::string& o : options)
        argv.push_back(o.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
        r.error = "cannot start the child process";
        return r;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) break;
    std::ifstream in(resultFile);
    std::string word;
    in >> word;
    if (word == "ok") {
        double peakKb = 0, riseKb = 0;
        in >> r.ms >> peakKb >> riseKb >> r.dialogMs >> r.pictureWidth >> r.pictureHeight;
        r.peakMb = peakKb / 1024.0;
        r.riseMb = riseKb / 1024.0;
        if (!in) r.error = "unreadable result from the child process";
    } else if (word == "error") {
        std::getline(in, r.error);
    } else {
        r.error = "the child process ended without a result (status " + std::to_string(status) + ")";
    }
    std::filesystem::remove(resultFile);
    if (r.error.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        r.error = "the child process failed (status " + std::to_string(status) + ")";
    return r;
}

void MeasureInChild(benchmark::State& state, std::vector<std::string> options, bool app) {
    if (!TheInputs().ok()) {
        state.SkipWithError("the benchmark inputs are missing (PRIORITY.EVA, PRIORITY.AUD, LARGE.SIG)");
        return;
    }
    ChildResult r;
    for (auto _ : state) {
        r = RunChild(options);
        if (!r.error.empty()) {
            state.SkipWithError(r.error.c_str());
            break;
        }
        state.SetIterationTime(r.ms / 1000.0);
    }
    state.counters["peak MB"] = r.peakMb;
    if (app) {
        state.counters["rise MB"] = r.riseMb;
        state.counters["dialog ms"] = r.dialogMs;
        state.counters["picture w"] = r.pictureWidth;
        state.counters["picture h"] = r.pictureHeight;
    }
}

void BM_OpenToFirstPaint(benchmark::State& state) {
    MeasureInChild(state, {"--child-open=" + TheInputs().event(), "--child-list=" + TheInputs().list()},
                   true);
}
BENCHMARK(BM_OpenToFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_PlainRead(benchmark::State& state) {
    MeasureInChild(state, {"--child-read=" + TheInputs().event()}, false);
}
BENCHMARK(BM_PlainRead)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

std::string OptionValue(int argc, char** argv, const char* option) {
    const std::string prefix = std::string(option) + "=";
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind(prefix, 0) == 0) return argv[i] + prefix.size();
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string result = OptionValue(argc, argv, "--child-result");
    if (!result.empty()) {
        const std::string open = OptionValue(argc, argv, "--child-open");
        if (!open.empty()) return ChildOpen(open, OptionValue(argc, argv, "--child-list"), result);
        return ChildRead(OptionValue(argc, argv, "--child-read"), result);
    }
    using zarn::bench::Measure;
    using zarn::bench::Target;
    return zarn::bench::RunWithRatios(argc, argv, Inputs::Folder(), [](const zarn::bench::RatioReporter& r) {
        r.Time("Open of the 1999-channel PRIORITY file to the first painted picture (wall)",
               "BM_OpenToFirstPaint", Measure::Wall, "ms", Target::Below(100));
        r.Counter("Peak memory of Zarn_zed32 at that first paint (VmHWM)", "BM_OpenToFirstPaint", "peak MB",
                  "MB", Target::Below(80));
        r.Counter("Memory taken on during the Open (peak over the size before it)", "BM_OpenToFirstPaint",
                  "rise MB", "MB");
        r.Counter("Of the Open, the segment dialog shown and answered at once (wall)", "BM_OpenToFirstPaint",
                  "dialog ms", "ms");
        r.Counter("The picture's width on the offscreen screen", "BM_OpenToFirstPaint", "picture w", "px");
        r.Counter("The picture widget's height", "BM_OpenToFirstPaint", "picture h", "px");
        r.Ratio("Open to the first painted picture / plain read of the same file (wall)",
                "BM_OpenToFirstPaint", "BM_PlainRead", {}, true);
        r.Time("Plain read of the same file, in a process of its own (wall)", "BM_PlainRead", Measure::Wall,
               "ms");
        r.Counter("Peak memory of that plain read's process (VmHWM)", "BM_PlainRead", "peak MB", "MB");
    });
}
