// Times the stages of a run over a generated site in a real temporary directory: 10,000 pages
// of 50 links each (siblings, '../', directory links, anchors, some broken): the search, the scan
// with its per-file checks, and link verification, timed apart.
//
// With --threads N, verification runs on N threads that take files in turn, each with its own
// cache sharing the first one's index of the site, and the counts added afterwards, as the check
// run does.
//
//   build/bench_verify [--no-cache] [--pages N] [--threads N] [--keep]
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/RunStages.h"
#include "engine/Codes.h"
#include "engine/LinkTags.h"
#include "lib/PathList.h"
#include "platform/HostPath.h"
#include "settings/Settings.h"
#include "verify/Anchors.h"
#include "verify/RunContext.h"
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
    int threads = 1;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-cache"))
            use_cache = false;
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
        else if (!std::strcmp(argv[i], "--pages") && i + 1 < argc)
            pages = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
            threads = std::max(1, std::atoi(argv[++i]));
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

    // The stages of the check run, timed apart: search and sort, then the scan with the
    // per-file checks, then verification with the unlinked check.
    const auto search_start = std::chrono::steady_clock::now();
    StringList found;
    PathList::PathEntries paths;
    std::int32_t find_result = 0;
    if (app::SearchFiles(set, found, paths, find_result) != app::SearchResult::Found) {
        std::fprintf(stderr, "file search failed: %d\n", find_result);
        return 2;
    }
    const double search_seconds = Seconds(search_start);

    const auto scan_start = std::chrono::steady_clock::now();
    const std::u16string head = app::BaseUrlHead(set);
    HtmlLink::FileTable files(found.size());
    for (size_t k = 0; k < found.size(); ++k) app::ScanAndCheck(files[k], found[k], set, head);
    const double scan_seconds = Seconds(scan_start);

    const auto verify_start = std::chrono::steady_clock::now();
    HtmlLink::VerifyCache cache;
    HtmlLink::RunContext run;
    run.Set = &set;
    run.Options = &options;
    run.Files = &files;
    run.Paths = &paths;
    run.Cache = use_cache ? &cache : nullptr;
    if (threads == 1) {
        for (size_t i = 0; i < files.size(); ++i) app::VerifyFileLinks(run, i);
    } else {
        struct Worker {
            HtmlLink::RunContext run;
            std::unique_ptr<HtmlLink::VerifyCache> cache;
            HtmlLink::LinkCounts counts;
        };
        std::vector<Worker> workers(static_cast<size_t>(threads));
        for (Worker& w : workers) {
            w.run = run;
            if (use_cache) w.cache = std::make_unique<HtmlLink::VerifyCache>(cache, run);
            w.run.Cache = w.cache.get();
            w.run.Counts = &w.counts;
        }
        std::atomic<size_t> next{0};
        std::vector<std::thread> running;
        for (Worker& w : workers) {
            running.emplace_back([&w, &next, &files] {
                for (size_t i; (i = next.fetch_add(1)) < files.size();)
                    app::VerifyFileLinks(w.run, i);
            });
        }
        for (std::thread& t : running) t.join();
        for (const Worker& w : workers) HtmlLink::AddLinkCounts(files, w.counts);
    }
    HtmlLink::ReportUnlinked(run);
    const double verify_seconds = Seconds(verify_start);

    // What verification made of the links: every attribute with a verification result.
    long links = 0;
    std::map<std::int32_t, long> codes;
    for (const HtmlLink::FileEntry& file : files) {
        for (const HtmlLink::TagEntry& tag : file.Tags) {
            for (const HtmlLink::AttrEntry& attr : tag.Attrs) {
                if (!HtmlLink::InUse(attr) || !HtmlLink::IsLocalTarget(attr.Code) ||
                    HtmlLink::IsLocalLink(attr.Code))
                    continue;
                ++links;
                ++codes[attr.Code];
            }
        }
    }

    std::printf("files %zu, links verified %ld, cache %s, %d thread%s\n", files.size(), links,
                use_cache ? "on" : "off", threads, threads == 1 ? "" : "s");
    std::printf("search and sort                    %.3f s\n", search_seconds);
    std::printf("scan with tag and anchor checks    %.3f s\n", scan_seconds);
    std::printf("verification and unlinked check    %.3f s (%.0f ns a link)\n", verify_seconds,
                links ? verify_seconds * 1e9 / double(links) : 0.0);
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
