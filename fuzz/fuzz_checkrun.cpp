// A whole check run over a small site held in memory and built from the input: parts after
// lines '@@ name' become files below the site (the first part is index.html). The run must end,
// write its log and count its warnings, whatever the pages hold; a stop at some point of the
// run (chosen by the first byte) must end the same way.
#include <cstdlib>

#include "app/CheckRun.h"
#include "engine/LinkTags.h"
#include "fuzz/FuzzInput.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"

namespace {

class QuietView final : public app::RunView {
public:
    app::CheckRun* run = nullptr;
    int stop_at = -1;
    int yields = 0;
    void ShowTitle(std::u16string_view) override {}
    void SetControlsEnabled(bool) override {}
    void SetExecuteButton(std::u16string_view, bool) override {}
    void YieldToWindowSystem() override {
        if (++yields == stop_at && run) run->cmdExecute_Click();
    }
    app::BoxAnswer ShowMessage(app::BoxIcon icon, app::BoxButtons buttons, bool,
                               std::u16string_view, std::u16string_view) override {
        if (icon == app::BoxIcon::Exclamation) failed = true;
        if (icon == app::BoxIcon::Question) return app::BoxAnswer::Yes;
        return buttons == app::BoxButtons::Ok ? app::BoxAnswer::Ok : app::BoxAnswer::No;
    }
    bool failed = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool table_built = (HtmlLink::BuildLinkTagTable(), true);
    (void)table_built;
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    std::string_view rest = fuzz::Bytes(data + 1, size - 1);

    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    platform::SetProgramDirectory(uR"(C:\prog\)");
    fs.AddDirectory(uR"(C:\prog)");
    fs.AddDirectory(uR"(C:\logs)");
    fs.AddDirectory(uR"(C:\site)");
    std::u16string name = u"index.html";
    int files = 0;
    while (files < 32) {
        const std::size_t marker = rest.find("\n@@ ");
        const std::string_view body = rest.substr(0, marker);
        std::u16string cleaned;
        for (char16_t c : name) {
            if (c == u'/') c = u'\\';
            if (c == u':' || c == u'\0' || c == u'\r' || c == u'*' || c == u'?') c = u'_';
            cleaned += c;
        }
        // Only names of files below the site: no empty component, nothing climbing out.
        if (!cleaned.empty() && cleaned.front() != u'\\' && cleaned.back() != u'\\' &&
            cleaned.find(u"\\\\") == cleaned.npos && cleaned.find(u"..") == cleaned.npos)
            fs.AddFile(uR"(C:\site\)" + cleaned, body);
        ++files;
        if (marker == rest.npos) break;
        rest.remove_prefix(marker + 4);
        const std::size_t eol = rest.find('\n');
        name = fuzz::Text(rest.substr(0, eol));
        rest.remove_prefix(eol == rest.npos ? rest.size() : eol + 1);
    }

    CheckSet set = NewCheckSet();
    set.Name = u"fuzz";
    set.LocalPath = uR"(C:\site)";
    set.Url = control & 1 ? u"http://example.jp/" : u"";
    set.CheckBaseDirOver = (control >> 1) & 1;
    set.StrictAnchorDescription = (control >> 2) & 1;
    set.AlertIgnoredFile = (control >> 3) & 1;
    CheckSets sets{set};
    Settings options;
    options.LogFileDirectory = uR"(C:\logs\)";
    options.LogType = (control >> 4) % 3;
    app::RunRequest request;
    request.Sets = &sets;
    request.Options = &options;
    request.SelectedIndex = 0;
    request.LogDateTime = u"12-07-2026 09:05:00";
    request.ScanWorkers = 0;

    QuietView view;
    app::CheckRun run(view);
    view.run = &run;
    view.stop_at = control >> 6 ? (control >> 6) * 2 : -1;
    run.cmdExecute_Click(request);
    platform::SetProgramDirectory(u"");
    if (view.failed || run.LastWarningCount < 0) std::abort();
    std::string log;
    if (!fs.Contents(run.LastLogPath, log) || log.empty()) std::abort();
    return 0;
}
