#include "app/CheckRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/Reports.h"
#include "app/RunStages.h"
#include "app/ScanAhead.h"
#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "platform/FileSystem.h"
#include "platform/Program.h"
#include "verify/Anchors.h"
#include "verify/RunContext.h"
#include "verify/VerifyLink.h"
#include "verify/WriteLog.h"

namespace app {
namespace {

constexpr std::u16string_view kNoCheckSet = u"チェックセットがまだ一つも登録されていません。";
constexpr std::u16string_view kSelectCheckSet = u"チェックセットを選択してください。";
constexpr std::u16string_view kBadBaseDirectory = u"チェック セットの基準ディレクトリが無効です。";
constexpr std::u16string_view kCheckAtLeastOne =
    u"少なくともどちらか一方にチェックを入れてください。";
constexpr std::u16string_view kNoCandidateFiles = u"チェック対象となりうるファイルがありません。";
constexpr std::u16string_view kSortFailed = u"チェック対象となりうるファイルの整列に失敗しました。";
constexpr std::u16string_view kLogFailed = u"ログの作成時にエラーが発生しました。";
constexpr std::u16string_view kUnknownError = u"未知のエラーです。";
constexpr std::u16string_view kErrorTitle = u"エラー";
constexpr std::u16string_view kSearching = u"ファイル検索中 ... ";
constexpr std::u16string_view kScanning = u"% ... ファイル解析中 ... ";
constexpr std::u16string_view kVerifying = u"リンク先を検証中 ... ";
constexpr std::u16string_view kWritingLog = u"ログ作成中 ... ";
constexpr std::u16string_view kFinishedTitle = u"チェック終了";
constexpr std::u16string_view kFinished = u"チェックを終了しました。";
constexpr std::u16string_view kNothingToWarn = u"警告すべき点はありません。";
constexpr std::u16string_view kStopped = u"チェックを中止しました。";
constexpr std::u16string_view kNothingToWarnSoFar = u"中止までに調べた範囲には、警告すべき点はありません。";
constexpr std::u16string_view kShowLog = u"ログを表示しますか？";
constexpr std::u16string_view kCancelTitle = u"処理の中断";
constexpr std::u16string_view kCancelQuestion = u"処理を中断します。よろしいですか？";

std::u16string BothBoxesMessage(const RunRequest& r) {
    return u"「" + r.LocalCheckCaption + u"」、" + u"「" + r.RemoteCheckCaption + u"」の" +
           u"\r\n" + std::u16string(kCheckAtLeastOne);
}

std::u16string WarningCountMessage(std::int32_t n, bool interrupted) {
    return std::u16string(interrupted ? kStopped : kFinished) + u"\r\n" + ToDecimal(n) +
           u" 件の警告があります。" +
           u"\r\n\r\n" + std::u16string(kShowLog);
}

// The run did not complete: false, with the message the user is to see.
bool NotDone(std::u16string& error, std::u16string_view message) {
    error = message;
    return false;
}

// Does `work`, a step that cannot stop, to its end. For a view that yields while busy it runs on
// a thread of its own while this one yields every few milliseconds, so the window answers within
// a moment however long the step takes; its exception comes back here. Without a thread to
// spare, and for every other view, it runs here.
template <class Work>
void Busy(RunView& view, Work&& work) {
    if (view.YieldsWhileBusy()) {
        std::future<void> done;
        try {
            done = std::async(std::launch::async, [&work] { work(); });
        } catch (const std::system_error&) {
        }
        if (done.valid()) {
            while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                view.YieldToWindowSystem();
            done.get();
            return;
        }
    }
    work();
}

// Lets go of what `v` holds (its memory too) inside a busy step.
template <class Vector>
void Release(Vector& v) {
    [[maybe_unused]] const Vector gone = std::move(v);
    v.clear();
}

}  // namespace

int ProgressPercent(std::int64_t done_bytes, std::int64_t total_bytes, std::size_t done_files,
                    std::size_t total_files) {
    double ratio;
    if (total_bytes > 0) {
        ratio = static_cast<double>(done_bytes) * 100.0 / static_cast<double>(total_bytes);
    } else {
        // Every file empty, or a size unknown: count files instead.
        ratio = total_files ? static_cast<double>(done_files) * 100.0 / total_files : 100.0;
    }
    return static_cast<int>(std::nearbyint(ratio));  // the default mode rounds half to even
}

void CheckRun::Title(std::u16string_view suffix) {
    view_.ShowTitle(std::u16string(platform::ProductName()) + std::u16string(suffix));
}

void CheckRun::Progress(RunState stage) {
    RunProgress p;
    p.Stage = stage;
    p.DoneBytes = DoneBytes;
    p.TotalBytes = TotalBytes;
    p.DoneFiles = done_files_;
    p.TotalFiles = FileTable.size();
    p.Percent = stage == RunState::Scanning
                    ? ProgressPercent(DoneBytes, TotalBytes, done_files_, FileTable.size())
                    : 0;
    view_.ShowProgress(p);
}

void CheckRun::Enter(RunState stage, std::u16string_view title_suffix) {
    state_ = stage;
    Title(title_suffix);
    Progress(stage);
}

void CheckRun::RequestCancel() {
    if (!Running()) return;
    resume_ = state_;
    state_ = RunState::CancelRequested;
}

void CheckRun::cmdExecute_Click() { RequestCancel(); }

void CheckRun::cmdExecute_Click(const RunRequest& request) {
    if (state_ != RunState::Idle) {
        // The button reads "中 止" while a run can stop; otherwise it is disabled.
        RequestCancel();
        return;
    }
    std::u16string message;
    try {
        if (Run(request, message)) return;
    } catch (...) {
        message.clear();
    }
    // Error exit: whatever went wrong, the window goes back to idle.
    state_ = RunState::Idle;
    try {
        if (message.empty()) message = kUnknownError;
        view_.ShowMessage(BoxIcon::Exclamation, BoxButtons::Ok, false, kErrorTitle, message);
    } catch (...) {
    }
    try {
        Title(u"");
        Progress(RunState::Idle);
        view_.SetExecuteButton(kExecuteCaption, true);
        view_.SetControlsEnabled(true);
    } catch (...) {
    }
}

bool CheckRun::ConfirmCancel() try {
    if (state_ != RunState::CancelRequested) return false;
    const BoxAnswer a = view_.ShowMessage(BoxIcon::Question, BoxButtons::YesNo, true, kCancelTitle,
                                          kCancelQuestion);
    if (a == BoxAnswer::Yes) return true;
    state_ = resume_;
    return false;
} catch (...) {
    return true;
}

bool CheckRun::Validate(const RunRequest& request, const CheckSet*& set, std::u16string& error) {
    // In the order the user meets the problems.
    if (!request.Sets || !request.Options) return NotDone(error, kUnknownError);
    const CheckSets& sets = *request.Sets;
    Settings& options = *request.Options;
    if (sets.empty() || sets[0].Name.empty()) return NotDone(error, kNoCheckSet);
    options.SetId = request.SelectedIndex;
    if (options.SetId < 0 || options.SetId >= static_cast<std::int32_t>(sets.size()))
        return NotDone(error, kSelectCheckSet);
    set = &sets[options.SetId];
    if (!VornFileList::PathExists(set->LocalPath)) return NotDone(error, kBadBaseDirectory);
    if (request.LocalCheck != 1 && request.RemoteCheck != 1)
        return NotDone(error, BothBoxesMessage(request));
    return true;
}

bool CheckRun::Search(const CheckSet& set, StringList& found, std::u16string& error,
                      HtmlLink::FileTable& previous_files, PathList::PathEntries& previous_paths) {
    Enter(RunState::Searching, kSearching);
    view_.SetControlsEnabled(false);
    view_.SetExecuteButton(kExecuteCaption, false);
    SearchResult result = SearchResult::NoFiles;
    Busy(view_, [&] {
        // The last run's results of a big site take as long to free as a search.
        Release(previous_files);
        Release(previous_paths);
        result = SearchFiles(set, found, Paths, FindResult, &Unsearched, &sizes_);
    });
    switch (result) {
        case SearchResult::NoFiles:
            return NotDone(error, kNoCandidateFiles);
        case SearchResult::SortFailed:
            return NotDone(error, kSortFailed);
        case SearchResult::Found:
            break;
    }
    return true;
}

void CheckRun::Scan(const RunRequest& request, const CheckSet& set, const StringList& found) {
    // The sizes the search listed: looking at every file again would cost two more system
    // calls a file for a progress figure.
    TotalBytes = 0;
    for (const std::int64_t size : sizes_) TotalBytes += size;
    DoneBytes = 0;
    done_files_ = 0;
    FileTable.assign(found.size(), HtmlLink::FileEntry{});
    Enter(RunState::Scanning, u"0" + std::u16string(kScanning));
    view_.SetExecuteButton(kStopCaption, true);

    HtmlLink::TableText::SizeRecentTexts(found.size());
    // Most links name a found file: its path is held once, and every link to it shares it.
    // Without the memory for the set, each link keeps its own copy as before.
    std::unique_ptr<HtmlLink::KnownTexts> paths;
    try {
        paths = std::make_unique<HtmlLink::KnownTexts>(found);
    } catch (const std::bad_alloc&) {
    }
    struct KnownInUse {
        explicit KnownInUse(const HtmlLink::KnownTexts* k) {
            HtmlLink::TableText::UseKnownTexts(k);
        }
        ~KnownInUse() { HtmlLink::TableText::UseKnownTexts(nullptr); }
    } in_use(paths.get());  // until the scanning threads have ended
    by_target_.Clear();
    // The scanning threads gather each file's links for the verification by target.
    bool by_target = found.size() >= request.TargetOrderFiles;
    std::vector<std::vector<std::uint64_t>> gathered(by_target ? found.size() : 0);
    std::atomic<bool> gathering{by_target};
    ScanAhead::Done gather;
    if (by_target) {
        gather = [&](HtmlLink::FileEntry& entry, std::size_t k) {
            if (gathering && !TargetOrder::Gather(entry, gathered[k])) gathering = false;
        };
    }
    // A window's loop leaves every file to the workers and yields while it waits for one, so
    // that a page of hundreds of megabytes never holds the window; it gets a worker for the
    // core it leaves.
    const bool window = view_.YieldsWhileBusy();
    auto ahead = std::make_unique<ScanAhead>(
        found, set, BaseUrlHead(set),
        request.ScanWorkers < 0 ? ScanAhead::DefaultWorkers() + (window ? 1 : 0)
                                : static_cast<unsigned>(request.ScanWorkers),
        std::move(gather));
    const bool leave_to_workers = window && ahead->Workers() > 0;
    for (size_t k = 0; k < found.size(); ++k) {
        view_.YieldToWindowSystem();
        if (ConfirmCancel()) {
            LastRunInterrupted = true;
            break;
        }
        if (!leave_to_workers) {
            FileTable[k] = ahead->Take(k);
        } else {
            while (!ahead->TryTake(k, FileTable[k], std::chrono::milliseconds(5))) {
                view_.YieldToWindowSystem();
                if (ConfirmCancel()) {
                    LastRunInterrupted = true;
                    break;
                }
            }
            if (LastRunInterrupted) break;
        }
        if (by_target) {
            try {
                by_target = gathering;
                if (by_target) by_target_.Add(gathered[k]);
            } catch (...) {
                by_target = false;
            }
            std::vector<std::uint64_t>().swap(gathered[k]);
            // Otherwise the links are verified page by page.
            if (!by_target) {
                gathering = false;
                by_target_.Clear();
            }
        }
        if (k < sizes_.size()) DoneBytes += sizes_[k];
        done_files_ = k + 1;
        Title(ToDecimal(ProgressPercent(DoneBytes, TotalBytes, k + 1, found.size())) +
              std::u16string(kScanning));
        Progress(RunState::Scanning);
    }
    // The workers end after the files in hand, which after a stop may include a huge page.
    Busy(view_, [&] { ahead.reset(); });
}

namespace {

// Files, or groups of links by target, handed out to the verifying threads. The loop releases
// them a batch at a time between its yields, so a stop leaves exactly the released ones
// verified, however the threads ran.
class VerifyQueue {
public:
    explicit VerifyQueue(std::size_t end) : end_(end) {}

    // The next released file, or false once none is left for now.
    bool Claim(std::size_t& file) {
        std::size_t i = next_.load();
        do {
            if (i >= released_.load()) return false;
        } while (!next_.compare_exchange_weak(i, i + 1));
        file = i;
        return true;
    }
    // For the helpers: waits for a released file; false when the run has no more for them.
    // Files released before the close are still handed out: the loop may leave them all to
    // the helpers.
    bool Wait(std::size_t& file) {
        for (;;) {
            if (Claim(file)) return true;
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return closed_ || next_.load() < released_.load(); });
            if (closed_ && next_.load() >= released_.load()) return false;
        }
    }
    bool AllReleased() const { return released_.load() >= end_; }
    // Released files no thread has taken yet.
    std::size_t Waiting() const {
        const std::size_t released = released_.load();
        return released - std::min(next_.load(), released);
    }
    void Release(std::size_t count) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_.store(std::min(end_, released_.load() + count));
        }
        changed_.notify_all();
    }
    void Close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }

private:
    const std::size_t end_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> released_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
};

}  // namespace

void CheckRun::Verify(HtmlLink::RunContext& run, int workers) {
    Enter(RunState::Verifying, kVerifying);
    // The site does not change during a run, so verification asks each question once.
    auto cache = std::make_unique<HtmlLink::VerifyCache>(FileTable.size());
    run.Cache = cache.get();
    // Files up to the first one a stopped scan never reached.
    std::size_t end = 0;
    while (end < FileTable.size() && !FileTable[end].Path.empty()) ++end;
    // A window's loop only hands out files and yields, so every core gets a helper.
    const unsigned cores = std::thread::hardware_concurrency();
    if (workers < 0)
        workers =
            view_.YieldsWhileBusy() ? static_cast<int>(std::max(1u, cores)) : (cores > 1 ? 1 : 0);

    // Each thread counts the links it finds into its own table; the tables are added in the
    // order of the threads afterwards, so the log never depends on which thread took what.
    // The caches only remember answers about the unchanging site: the index of the site and
    // of the anchors is built once and shared, the rest each thread keeps for itself.
    // The links grouped by target, or else page by page.
    const bool by_target = by_target_.size() > 0 && by_target_.Arrange();
    const std::size_t units = by_target ? by_target_.Groups() : end;
    auto verify = [this, by_target](HtmlLink::RunContext& r, std::size_t unit) {
        return by_target ? by_target_.VerifyGroup(r, unit) : VerifyFileLinks(r, unit);
    };
    VerifyQueue queue(units);
    struct Helper {
        HtmlLink::RunContext run;
        std::unique_ptr<HtmlLink::VerifyCache> cache;
        HtmlLink::LinkCounts counts;
        std::thread thread;
    };
    std::vector<std::unique_ptr<Helper>> helpers;
    HtmlLink::LinkCounts counts;
    HtmlLink::LinkCounts* const counted_before = run.Counts;
    run.Counts = &counts;
    try {
        for (int w = 0; w < workers && units > 1; ++w) {
            helpers.push_back(std::make_unique<Helper>());
            Helper& h = *helpers.back();
            h.run = run;
            h.cache = run.Cache ? std::make_unique<HtmlLink::VerifyCache>(*run.Cache, run)
                                : std::make_unique<HtmlLink::VerifyCache>();
            h.run.Cache = h.cache.get();
            h.run.Counts = &h.counts;
            h.thread = std::thread([&h, &queue, &verify] {
                std::size_t i;
                while (queue.Wait(i)) verify(h.run, i);
            });
        }
    } catch (...) {
        // Without a helper the loop verifies every file itself.
    }
    // Alone, the loop yields before every file, as it always did; with helpers, before each
    // batch, which still takes only milliseconds. A window's loop leaves the files to the
    // helpers: one page can take long, and the window has to answer meanwhile.
    const std::size_t batch = helpers.empty() ? 1 : 32;
    const bool helpers_only = view_.YieldsWhileBusy() && !helpers.empty();
    {
        // The helpers are released and joined however the loop ends.
        struct JoinHelpers {
            VerifyQueue& queue;
            std::vector<std::unique_ptr<Helper>>& helpers;
            ~JoinHelpers() {
                queue.Close();
                for (const auto& h : helpers) {
                    if (h->thread.joinable()) h->thread.join();
                }
            }
        } join{queue, helpers};
        while (!queue.AllReleased()) {
            view_.YieldToWindowSystem();
            if (ConfirmCancel()) {
                LastRunInterrupted = true;
                break;
            }
            queue.Release(batch);
            if (helpers_only) {
                // The next batch goes out when the helpers run short of work, or after a few
                // milliseconds at the latest, with a yield before it.
                const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
                while (queue.Waiting() > batch / 2 && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            std::size_t i;
            while (queue.Claim(i)) verify(run, i);
        }
        Busy(view_, [&] {
            queue.Close();
            for (const auto& h : helpers) {
                if (h->thread.joinable()) h->thread.join();
            }
        });
    }
    run.Counts = counted_before;
    // Every released file is verified: nothing is left for the stop button to stop.
    view_.SetExecuteButton(kStopCaption, false);
    Busy(view_, [&] {
        HtmlLink::AddLinkCounts(FileTable, counts);
        for (const auto& h : helpers) HtmlLink::AddLinkCounts(FileTable, h->counts);
        // The caches are done with; a big site's take a while to free.
        helpers.clear();
        by_target_.Clear();
        run.Cache = nullptr;
        cache.reset();
        // Also after a cancel: what was verified so far is reported as far as it goes.
        HtmlLink::ReportUnlinked(run);
    });
}

bool CheckRun::WriteAndReport(const RunRequest& request, const CheckSet& set,
                              HtmlLink::RunContext& run, std::u16string& error) {
    const Settings& options = *request.Options;
    view_.SetExecuteButton(kExecuteCaption, false);
    Enter(RunState::Writing, kWritingLog);

    std::u16string log_path = request.LogPath;
    std::int32_t count = -1;
    Busy(view_, [&] {
        if (request.Filter) DropWarnings(FileTable, *request.Filter);
        if (log_path.empty() && !request.NoLog) {
            const std::u16string extension = options.LogType == 1 ? u".csv" : u".txt";
            const std::u16string name = VornFileList::MakeSafeFileName(set.Name);
            const std::u16string plain = options.LogFileDirectory + name + extension;
            log_path = options.LogFileIncrement == 1
                           ? VornFilePath::MakeUniqueFileName(plain, u"_", 3, u"")
                           : plain;
        }
        run.LocalCheck = request.LocalCheck == 1;
        run.RemoteCheck = request.RemoteCheck == 1;
        run.LogDateTime = request.LogDateTime;
        run.Interrupted = LastRunInterrupted;
        if (request.NoLog) {
            count = HtmlLink::CountLogWarnings(run);
            log_path.clear();
        } else if (!log_path.empty()) {
            count = HtmlLink::WriteLog(run, log_path);
        }
    });
    LastLogPath = log_path;
    LastWarningCount = count;

    state_ = RunState::Idle;
    Title(u"");
    Progress(RunState::Idle);
    view_.SetControlsEnabled(true);
    view_.SetExecuteButton(kExecuteCaption, true);

    if (count < 0) return NotDone(error, kLogFailed);
    if (count == 0) {
        view_.ShowMessage(BoxIcon::Information, BoxButtons::Ok, false, kFinishedTitle,
                          LastRunInterrupted ? std::u16string(kStopped) + u"\r\n" +
                                                   std::u16string(kNothingToWarnSoFar)
                                             : std::u16string(kFinished) + u"\r\n" +
                                                   std::u16string(kNothingToWarn));
    } else if (view_.ShowMessage(BoxIcon::Information, BoxButtons::YesNo, false, kFinishedTitle,
                                 WarningCountMessage(count, LastRunInterrupted)) ==
               BoxAnswer::Yes) {
        VornFilePath::OpenDocument(log_path);
    }
    return true;
}

bool CheckRun::Run(const RunRequest& request, std::u16string& error) {
    const CheckSet* set = nullptr;
    if (!Validate(request, set, error)) return false;

    // The last run's results are let go of during the search.
    HtmlLink::FileTable previous_files = std::exchange(FileTable, HtmlLink::FileTable(1));
    PathList::PathEntries previous_paths = std::exchange(Paths, PathList::PathEntries(1));
    LastLogPath.clear();
    LastWarningCount = -1;
    LastRunInterrupted = false;
    Unsearched.clear();
    FindResult = 0;

    StringList found;
    if (!Search(*set, found, error, previous_files, previous_paths)) return false;
    Scan(request, *set, found);
    // Every path is in the table and the path list now; a big site's third copy can go.
    Release(found);

    HtmlLink::RunContext run;
    run.Set = set;
    run.Options = request.Options;
    run.Files = &FileTable;
    run.Paths = &Paths;
    run.Unsearched = &Unsearched;
    // A stop asked for while the last file was scanned has not been confirmed yet; unasked it
    // would skip the verification silently.
    if (!LastRunInterrupted && ConfirmCancel()) LastRunInterrupted = true;
    if (request.LocalCheck == 1 && Running()) Verify(run, request.VerifyWorkers);
    by_target_.Clear();
    // The tables are complete; the scanning and verifying threads' recent texts went with them.
    HtmlLink::TableText::ReleaseRecentTexts();

    return WriteAndReport(request, *set, run, error);
}

}  // namespace app
