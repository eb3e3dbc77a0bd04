// How long the main window's event loop waits during a whole check run.
//
//   QT_QPA_PLATFORM=offscreen bench_responsive [site directory | pages] [log copy]
//
// Given a number (default 10000), generates a site of that many pages (bench/make_site.py, 50
// links a page) in a temporary directory. Writes a settings file with one check set for the
// site, named after its directory as the command line names it (so the log can be compared
// with the command line's: a second argument keeps a copy), opens the main window, clicks its
// Execute button and answers the closing box with No. A timer ticks every 10 ms in the event
// loop; a tick comes only when the run lets the window process its events, so the gap between
// two ticks is how long an event could have waited. Prints the run's wall time, the longest
// gap (with the main thread's time on a processor and waiting for one, which other processes
// cause), the 99th percentile, the longest gap less those waits, and the longest stretch each
// stage of the run went without a tick.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/frmMain.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/qt/Desktop.h"
#include "testutil/ScriptedMessageBoxes.h"

namespace {

// This thread's time so far on a processor and waiting for one (runnable while other
// processes ran), in nanoseconds; the wait is 0 where the kernel does not tell it.
struct ThreadTimes {
    qint64 cpu = 0, runnable = 0;
};
ThreadTimes Now() {
    ThreadTimes t;
    if (std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
        long long cpu = 0, wait = 0;
        if (std::fscanf(f, "%lld %lld", &cpu, &wait) == 2) t = {cpu, wait};
        std::fclose(f);
        if (t.cpu > 0) return t;
    }
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    t.cpu = static_cast<qint64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    return t;
}

// The stages as the run enters them; Opening is the click before the search, Closing the end
// of the run after the log.
enum Stage { Opening, Search, Scan, Verify, Writing, Closing, kStages };
constexpr std::array<const char*, kStages> kStageNames = {"opening", "search",  "scan",
                                                          "verify",  "writing", "closing"};

Stage StageOf(app::RunState s, Stage before) {
    switch (s) {
        case app::RunState::Searching:
            return Search;
        case app::RunState::Scanning:
            return Scan;
        case app::RunState::Verifying:
            return Verify;
        case app::RunState::Writing:
            return Writing;
        case app::RunState::CancelRequested:
            return before;
        case app::RunState::Idle:
            return before == Opening ? Opening : Closing;
    }
    return before;
}

// Follows the run's stages through the window title, which the run sets on entering each one
// (also while it holds the event loop), and measures the gaps between the timer's ticks. A gap
// that spans a change of stage is split at the change, so each stage is charged only its part.
class Recorder : public QObject {
public:
    explicit Recorder(const frmMain& window) : window_(window) { clock_.start(); }

    void Tick() {
        const qint64 now = clock_.nsecsElapsed();
        const ThreadTimes times = Now();
        if (last_tick_ >= 0) {
            const qint64 gap = now - last_tick_;
            gaps_.push_back(gap);
            const qint64 runnable = times.runnable - last_times_.runnable;
            if (gaps_.size() == 1 || gap > gaps_[longest_gap_]) {
                longest_gap_ = gaps_.size() - 1;
                longest_split_ = {times.cpu - last_times_.cpu, runnable};
            }
            held_ = std::max(held_, gap - runnable);
            Charge(now);
        }
        last_tick_ = now;
        last_times_ = times;
        mark_ = now;
    }
    void Finish() {
        Follow();
        Charge(clock_.nsecsElapsed());
    }

    std::vector<qint64> gaps_;
    std::size_t longest_gap_ = 0;
    ThreadTimes longest_split_;  // of the longest gap: on a processor, waiting for one
    // The longest gap less the time the thread waited for a processor: what the run itself
    // held (working or waiting for its threads), not what other processes took.
    qint64 held_ = 0;
    std::array<qint64, kStages> longest_{};  // the longest stretch without a tick
    std::array<qint64, kStages> spent_{};    // the whole time in the stage

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange) Follow();
        return QObject::eventFilter(watched, event);
    }

private:
    void Follow() {
        const Stage s = StageOf(window_.Run().State(), stage_);
        if (s == stage_) return;
        const qint64 now = clock_.nsecsElapsed();
        Charge(now);
        stage_ = s;
    }
    // The time since the last tick or change of stage, to the stage in hand.
    void Charge(qint64 now) {
        if (last_tick_ < 0) {
            mark_ = now;
            return;
        }
        spent_[stage_] += now - mark_;
        longest_[stage_] = std::max(longest_[stage_], now - mark_);
        mark_ = now;
    }

    const frmMain& window_;
    QElapsedTimer clock_;
    Stage stage_ = Opening;
    qint64 last_tick_ = -1;
    ThreadTimes last_times_;
    qint64 mark_ = 0;  // the last tick or change of stage
};

double Ms(qint64 ns) { return static_cast<double>(ns) / 1e6; }

}  // namespace

int main(int argc, char* argv[]) {
    platform::SetUpMemory(argv);  // as the desktop program
    QApplication app(argc, argv);
    const QString arg = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("10000");
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    QString site = arg;
    if (!QFileInfo(arg).isDir()) {
        bool number = false;
        const int pages = arg.toInt(&number);
        if (!number || pages <= 0) {
            std::fprintf(stderr, "usage: bench_responsive [site directory | pages] [log copy]\n");
            return 2;
        }
        site = dir.filePath(QStringLiteral("site"));
        const int rc = QProcess::execute(QStringLiteral("python3"),
                                         {QStringLiteral(MOKUROKU_SOURCE_DIR "/bench/make_site.py"),
                                          site, QString::number(pages), QStringLiteral("50")});
        if (rc != 0) return 1;
    }

    // One check set for the site, read as the command line reads a directory given to it.
    const std::u16string ini =
        platform::HostToDrive(dir.filePath(QStringLiteral("mokuroku.ini")).toStdString());
    CheckSet set = NewCheckSet();
    set.Name = QDir(site).dirName().toStdU16String();
    set.Url.clear();
    if (set.ModernHtml == 1) set.DefaultDocument = {u"index.html", u"index.htm"};
    set.LocalPath = platform::HostToDrive(QDir(site).absolutePath().toStdString());
    Settings options;
    options.LogFileDirectory =
        platform::HostToDrive(QDir(dir.path()).absolutePath().toStdString()) + u"\\";
    if (!SaveSettings(ini, CheckSets{set}, options, MainWindowState{})) return 1;

    testutil::ScriptedMessageBoxes boxes;  // the closing box is answered No: no log opens
    frmMain window(ini);
    if (!window.Form_Load()) return 1;
    window.cmbTargetSet->setCurrentIndex(0);
    window.show();

    Recorder recorder(window);
    window.installEventFilter(&recorder);
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { recorder.Tick(); });

    QElapsedTimer wall;
    QTimer::singleShot(0, [&] {
        ticker.start();
        recorder.Tick();
        wall.start();
        window.cmdExecute->click();  // returns when the run has ended
        const qint64 run_ns = wall.nsecsElapsed();
        recorder.Finish();
        ticker.stop();
        app.exit(0);
        std::vector<qint64> gaps = recorder.gaps_;
        std::sort(gaps.begin(), gaps.end());
        const qint64 longest = gaps.empty() ? 0 : gaps.back();
        const qint64 p99 = gaps.empty() ? 0 : gaps[(gaps.size() * 99) / 100];
        std::printf(
            "%s: %d warnings, wall %.0f ms; %zu ticks, longest gap %.1f ms (%.1f on a "
            "processor, %.1f waiting for one), 99th percentile %.1f ms; longest gap "
            "less the waits for a processor %.1f ms\n",
            qPrintable(QDir(site).dirName()), window.Run().LastWarningCount, Ms(run_ns),
            gaps.size(), Ms(longest), Ms(recorder.longest_split_.cpu),
            Ms(recorder.longest_split_.runnable), Ms(p99), Ms(recorder.held_));
        std::printf("  longest hold by stage:");
        for (int s = 0; s < kStages; ++s)
            std::printf(" %s %.1f ms (of %.0f)%s", kStageNames[s], Ms(recorder.longest_[s]),
                        Ms(recorder.spent_[s]), s + 1 < kStages ? "," : "\n");
    });
    app.exec();
    if (argc > 2) {
        QFile::remove(QString::fromLocal8Bit(argv[2]));
        if (!QFile::copy(platform::ToHostPath(window.Run().LastLogPath),
                         QString::fromLocal8Bit(argv[2])))
            return 1;
    }
    const bool answered = boxes.Count() == 1;
    if (!answered) std::fprintf(stderr, "unexpected message boxes: %d\n", boxes.Count());
    return answered ? 0 : 1;
}
