#include "app/CheckRun.h"

#include <cmath>

#include "app/ScanAhead.h"
#include "engine/ScanFile.h"
#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "platform/FileSystem.h"
#include "platform/Program.h"
#include "verify/Anchors.h"
#include "verify/RunContext.h"
#include "verify/TagChecks.h"
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

// Ends a run with the message the user is to see.
bool Fail(std::u16string& error, std::u16string_view message) {
    error = message;
    return false;
}

StringList IgnorePatterns(std::uint8_t enabled, const StringList& patterns) {
    StringList out{u""};
    if (enabled == 1 && HtmlLink::ToLikePatterns(out, patterns) != 0) out = {u""};
    return out;
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

void CheckRun::cmdExecute_Click() {
    if (caption_ == kStopCaption) Running_ = false;
}

void CheckRun::cmdExecute_Click(const RunRequest& request) {
    if (caption_ == kStopCaption) {
        Running_ = false;
        return;
    }
    std::u16string message;
    try {
        if (Run(request, message)) return;
    } catch (...) {
        message.clear();
    }
    // Error exit: whatever went wrong, the window goes back to idle.
    try {
        if (message.empty()) message = kUnknownError;
        view_.ShowMessage(BoxIcon::Exclamation, BoxButtons::Ok, false, kErrorTitle, message);
    } catch (...) {
    }
    try {
        Title(u"");
        caption_ = kExecuteCaption;
        view_.SetExecuteButton(caption_, true);
        view_.SetControlsEnabled(true);
    } catch (...) {
    }
    Running_ = false;
}

bool CheckRun::ConfirmCancel() try {
    if (Running_) return false;
    const BoxAnswer a = view_.ShowMessage(BoxIcon::Question, BoxButtons::YesNo, true, kCancelTitle,
                                          kCancelQuestion);
    if (a == BoxAnswer::Yes) return true;
    Running_ = true;
    return false;
} catch (...) {
    return true;
}

bool CheckRun::Run(const RunRequest& request, std::u16string& error) {
    using namespace HtmlLink;
    if (!request.Sets || !request.Options) return Fail(error, kUnknownError);
    // Validation, in the order the user meets the problems.
    const CheckSets& sets = *request.Sets;
    Settings& options = *request.Options;
    if (sets.empty() || sets[0].Name.empty()) return Fail(error, kNoCheckSet);
    options.SetId = request.SelectedIndex;
    if (options.SetId < 0 || options.SetId >= static_cast<std::int32_t>(sets.size()))
        return Fail(error, kSelectCheckSet);
    const CheckSet& set = sets[options.SetId];
    if (!VornFileList::PathExists(set.LocalPath)) return Fail(error, kBadBaseDirectory);
    if (request.LocalCheck != 1 && request.RemoteCheck != 1)
        return Fail(error, BothBoxesMessage(request));

    FileTable.assign(1, FileEntry{});
    Paths.assign(1, PathList::PathEntry{});
    LastLogPath.clear();
    LastWarningCount = -1;
    LastRunInterrupted = false;
    Unsearched.clear();
    const StringList search_patterns{u"*"};
    const StringList file_ignore = IgnorePatterns(set.FilePatternXEnabled, set.FilePatternX);
    const StringList dir_ignore = IgnorePatterns(set.DirPatternXEnabled, set.DirPatternX);
    std::u16string base_url_head;
    if (!set.Url.empty()) base_url_head = VornFilePath::SplitPath(set.Url, u"").Head;

    Title(kSearching);
    view_.SetControlsEnabled(false);
    view_.SetExecuteButton(caption_, false);

    StringList found{u""};
    VornFileList::FindFiles(found, set.LocalPath, search_patterns, file_ignore, set.FileAttribute,
                            search_patterns, dir_ignore, set.DirAttribute, true, true,
                            &Unsearched);
    if (found.empty() || found[0].empty()) return Fail(error, kNoCandidateFiles);

    Paths.resize(found.size());
    for (size_t k = 0; k < found.size(); ++k) Paths[k] = {found[k], static_cast<std::int32_t>(k)};
    if (PathList::SortPaths(Paths, 0, static_cast<std::int32_t>(Paths.size()) - 1))
        return Fail(error, kSortFailed);

    Running_ = true;
    Title(u"0" + std::u16string(kScanning));
    caption_ = kStopCaption;
    view_.SetExecuteButton(caption_, true);

    TotalBytes = VornFileList::GetTotalFileSize(found);
    DoneBytes = 0;
    FileTable.assign(found.size(), FileEntry{});

    RunContext run;
    run.Set = &set;
    run.Options = &options;
    run.Files = &FileTable;
    run.Paths = &Paths;
    run.Unsearched = &Unsearched;
    // The site does not change during a run, so verification asks each question once.
    VerifyCache cache;
    run.Cache = &cache;

    {
        ScanAhead ahead(found, set, base_url_head,
                        request.ScanWorkers < 0 ? ScanAhead::DefaultWorkers()
                                                : static_cast<unsigned>(request.ScanWorkers));
        for (size_t k = 0; k < found.size(); ++k) {
            view_.YieldToWindowSystem();
            if (ConfirmCancel()) {
                LastRunInterrupted = true;
                break;
            }
            FileTable[k] = ahead.Take(k);
            platform::DirEntry info;
            if (platform::Fs().Stat(found[k], info)) DoneBytes += info.Size;
            Title(ToDecimal(ProgressPercent(DoneBytes, TotalBytes, k + 1, found.size())) +
                  std::u16string(kScanning));
        }
    }

    // A stop asked for while the last file was scanned has not been confirmed yet; unasked it
    // would skip the verification silently.
    if (!Running_ && !LastRunInterrupted && ConfirmCancel()) LastRunInterrupted = true;

    if (request.LocalCheck == 1 && Running_) {
        Title(kVerifying);
        for (size_t i = 0; i < FileTable.size(); ++i) {
            view_.YieldToWindowSystem();
            if (ConfirmCancel()) {
                LastRunInterrupted = true;
                break;
            }
            FileEntry& file = FileTable[i];
            if (file.Path.empty()) break;
            if (file.Status != ScanOk) continue;
            const size_t tags = UsedCount(file.Tags);
            for (size_t t = 0; t < tags && !LastRunInterrupted; ++t) {
                // A page of a million links must not keep a stop waiting until its end.
                if (t > 0 && t % 4096 == 0) {
                    view_.YieldToWindowSystem();
                    if (ConfirmCancel()) LastRunInterrupted = true;
                }
                TagEntry& tag = file.Tags[t];
                const size_t attrs = UsedCount(tag.Attrs);
                for (size_t a = 0; a < attrs; ++a) {
                    if (tag.Attrs[a].Code < 10)
                        VerifyLink(run, tag.Attrs[a], static_cast<std::int32_t>(i));
                }
            }
            if (LastRunInterrupted) break;
        }
        ReportUnlinked(run);
    }

    Running_ = false;
    caption_ = kExecuteCaption;
    view_.SetExecuteButton(caption_, false);
    Title(kWritingLog);

    std::u16string log_path = request.LogPath;
    if (log_path.empty()) {
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
    const std::int32_t count = log_path.empty() ? -1 : WriteLog(run, log_path);
    LastLogPath = log_path;
    LastWarningCount = count;

    Title(u"");
    view_.SetControlsEnabled(true);
    view_.SetExecuteButton(caption_, true);

    if (count < 0) return Fail(error, kLogFailed);
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

}  // namespace app
