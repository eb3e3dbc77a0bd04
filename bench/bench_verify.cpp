// Times the checks of a run over a generated site in a real temporary directory: 10,000 pages
// of 50 links each (siblings, '../', directory links, anchors, some broken), with the scan and
// with the tag checks, anchor checks and link verification timed apart.
//
//   build/bench_verify [--no-cache] [--pages N] [--keep]
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "lib/PathList.h"
#include "lib/VornFileList.h"
#include "platform/HostPath.h"
#include "settings/Settings.h"
#include "verify/Anchors.h"
#include "verify/RunContext.h"
#include "verify/TagChecks.h"
#include "verify/VerifyLink.h"

namespace {

constexpr int kPagesPerDirectory = 100;
constexpr int kLinksPerPage = 50;

std::string Num(int n, int digits) {
    std::string s = std::to_string(n);
    return std::string(s.size() < size_t(digits) ? digits - s.size() : 0, '0') + s;
}

std::string PageName(int p) { return p == 0 ? "index.html" : "p" + Num(p, 3) + ".htm"; }

// One page of directory d: 50 links in a fixed mix, the choices spread by a small generator so
// that every page reaches other pages and directories.
std::string MakePage(int d, int p, int directories, unsigned& seed) {
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % unsigned(n));
    };
    std::string html = "<html><head><title>d" + Num(d, 3) + " " + PageName(p) +
                       "</title></head>\n<body id=\"top\">\n";
    for (int s = 1; s <= 5; ++s) html += "<h2><a name=\"s" + std::to_string(s) + "\">s</a></h2>\n";
    for (int k = 0; k < kLinksPerPage; ++k) {
        const int other = next(kPagesPerDirectory);
        const std::string dir = "d" + Num(next(directories), 3);
        std::string href;
        switch (k % 10) {
            case 0:
            case 1:
            case 2:
                href = PageName(other);
                break;
            case 3:
            case 4:
                href = "../" + dir + "/" + PageName(other);
                break;
            case 5:
                href = k % 20 == 5 ? "../" + dir + "/" : "../" + dir;
                break;
            case 6:
                href = PageName(other) + "#s" + std::to_string(1 + next(5));
                break;
            case 7:
                href = k % 20 == 7 ? "#top" : "../" + dir + "/#s2";
                break;
            case 8:
                href =
                    k % 20 == 8 ? "../img/logo.gif" : "../" + dir + "/" + PageName(other) + "#top";
                break;
            default:  // broken: a missing page, a missing anchor, a missing directory
                href = k % 30 == 9    ? "missing.htm"
                       : k % 30 == 19 ? PageName(other) + "#nope"
                                      : "../x/";
                break;
        }
        html += "<p><a href=\"" + href + "\">link " + std::to_string(k) + "</a></p>\n";
    }
    return html + "</body></html>\n";
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    bool use_cache = true, keep = false;
    int pages = 10000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-cache"))
            use_cache = false;
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
        else if (!std::strcmp(argv[i], "--pages") && i + 1 < argc)
            pages = std::atoi(argv[++i]);
    }
    const int directories = (pages + kPagesPerDirectory - 1) / kPagesPerDirectory;

    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/mokuroku-bench-XXXXXX";
    if (!::mkdtemp(root.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::filesystem::path host(root);
    std::filesystem::create_directories(host / "img");
    Write(host / "img" / "logo.gif", "GIF89a");
    unsigned seed = 1;
    int written = 0;
    for (int d = 0; d < directories; ++d) {
        const std::filesystem::path dir = host / ("d" + Num(d, 3));
        std::filesystem::create_directories(dir);
        for (int p = 0; p < kPagesPerDirectory && written < pages; ++p, ++written)
            Write(dir / PageName(p), MakePage(d, p, directories, seed));
    }

    CheckSet set = NewCheckSet();
    set.Url.clear();
    set.LocalPath = platform::HostToDrive(root + "/");
    Settings options;
    HtmlLink::BuildLinkTagTable();

    // Scan: search, sort, read and cut every file.
    const auto scan_start = std::chrono::steady_clock::now();
    StringList found{u""};
    StringList ignore{u""};
    HtmlLink::ToLikePatterns(ignore, set.FilePatternX);
    VornFileList::FindFiles(found, set.LocalPath, {u"*"}, ignore, set.FileAttribute, {u"*"}, {u""},
                            set.DirAttribute, true, true);
    PathList::PathEntries paths;
    for (size_t k = 0; k < found.size(); ++k) paths.push_back({found[k], std::int32_t(k)});
    PathList::SortPaths(paths, 0, std::int32_t(paths.size()) - 1);
    HtmlLink::FileTable files(found.size());
    for (size_t k = 0; k < found.size(); ++k) {
        files[k].Path = found[k];
        HtmlLink::ScanFile(files[k], set.HtmlFileLikePattern);
    }
    const double scan_seconds = Seconds(scan_start);

    // Checks: tag checks and anchor definitions per file, then every local link.
    const auto check_start = std::chrono::steady_clock::now();
    for (HtmlLink::FileEntry& file : files) {
        if (file.Status != HtmlLink::ScanOk) continue;
        HtmlLink::CheckFileTags(file, u"", set);
        HtmlLink::CheckAnchorDefinitions(file, set);
    }
    const double tag_seconds = Seconds(check_start);
    HtmlLink::VerifyCache cache;
    HtmlLink::RunContext run;
    run.Set = &set;
    run.Options = &options;
    run.Files = &files;
    run.Paths = &paths;
    run.Cache = use_cache ? &cache : nullptr;
    long links = 0;
    std::map<std::int32_t, long> codes;
    for (size_t i = 0; i < files.size(); ++i) {
        HtmlLink::FileEntry& file = files[i];
        if (file.Status != HtmlLink::ScanOk) continue;
        for (size_t t = 0; t < HtmlLink::UsedCount(file.Tags); ++t) {
            HtmlLink::TagEntry& tag = file.Tags[t];
            for (size_t a = 0; a < HtmlLink::UsedCount(tag.Attrs); ++a) {
                if (tag.Attrs[a].Code >= 10) continue;
                HtmlLink::VerifyLink(run, tag.Attrs[a], std::int32_t(i));
                ++links;
                ++codes[tag.Attrs[a].Code];
            }
        }
    }
    HtmlLink::ReportUnlinked(run);
    const double check_seconds = Seconds(check_start);

    std::printf("files %zu, links verified %ld, cache %s\n", files.size(), links,
                use_cache ? "on" : "off");
    std::printf("scan (search, sort, read, cut)     %.3f s\n", scan_seconds);
    std::printf("tag and anchor checks              %.3f s\n", tag_seconds);
    std::printf("verification and unlinked check    %.3f s\n", check_seconds - tag_seconds);
    std::printf("checks and verification together   %.3f s\n", check_seconds);
    std::printf("codes:");
    for (const auto& [code, n] : codes) std::printf(" %d:%ld", code, n);
    std::printf("\n");

    if (keep) {
        std::printf("site kept in %s\n", root.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(host, ec);
    }
    return 0;
}
