// Scan speed and the memory of what the scan keeps.
//
//   bench_scan [megabytes]     (default 50)
//
// Writes two sites of that size into a temporary directory: typical pages (navigation, images,
// tables, comments, multi-line tags, Shift_JIS text) and text-heavy pages with few links. Each
// is scanned file by file with ScanFile; the figures are the speed over the bytes read and the
// heap bytes of the kept tables, which should follow the number of kept links, not the bytes.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/HtmlLink.h"
#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "engine/VornHtml.h"
#include "lib/VornCharSet.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"

using namespace HtmlLink;

namespace {

struct Random {
    std::uint64_t state = 0x9e3779b97f4a7c15ull;
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<std::uint32_t>(state >> 16);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

const char16_t* const kWords[] = {
    u"日本語", u"の",       u"ページ", u"です。", u"リンク", u"を",
    u"確認",   u"します。", u"サイト", u"更新",   u"情報",   u"について",
    u"、",     u"お知らせ", u"写真",   u"一覧",   u"ホーム", u"メニュー",
    u"ｶﾀｶﾅ",   u"漢字",     u"かな",   u"記事",   u"目次",   u"トップへ戻る",
};

std::u16string Num(int n) {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

void Sentence(Random& r, std::u16string& out, int words) {
    for (int k = 0; k < words; ++k) out += kWords[r.Below(static_cast<int>(std::size(kWords)))];
}

// One page of roughly `target` characters. `link_share` in percent sets how much of the body
// is navigation, images and tables rather than running text.
std::u16string MakePage(Random& r, int index, std::size_t target, int link_share) {
    std::u16string p;
    p += u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html lang=ja>\r\n";
    p += u"<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         u"charset=Shift_JIS\">\r\n";
    p += u"<meta name=\"keywords\"\r\n      content=\"サイト,リンク,確認\">\r\n";
    p += u"<title>";
    Sentence(r, p, 4);
    p += u"</title>\r\n<link rel=\"stylesheet\" type=\"text/css\" href=\"../css/main.css\">\r\n";
    p += u"<script type=\"text/javascript\" src=\"../js/menu.js\"></script>\r\n";
    p += u"<!-- 共通ヘッダ\r\n     ここから -->\r\n</head>\r\n";
    p += u"<body bgcolor=\"#ffffff\" background=\"img/bg.gif\" onload=\"init()\">\r\n";
    while (p.size() < target) {
        if (r.Below(100) < link_share) {
            switch (r.Below(5)) {
                case 0:
                    p += u"<div class=\"nav\" id=\"nav" + Num(r.Below(1000)) + u"\">\r\n<ul>\r\n";
                    for (int k = 0; k < 8; ++k) {
                        p += u"  <li><a href=\"page" + Num(r.Below(2000)) + u".htm\" title=\"";
                        Sentence(r, p, 2);
                        p += u"\" target=_top>";
                        Sentence(r, p, 2);
                        p += u"</a></li>\r\n";
                    }
                    p += u"</ul>\r\n</div>\r\n";
                    break;
                case 1:
                    p += u"<p align=center><img src=\"img/photo" + Num(r.Below(500)) +
                         u".jpg\" width=\"320\" height=\"240\"\r\n     alt=\"";
                    Sentence(r, p, 3);
                    p += u"\" border=0></p>\r\n";
                    break;
                case 2:
                    p += u"<table border=\"1\" cellpadding=\"2\" background=\"img/t.gif\">\r\n";
                    for (int row = 0; row < 3; ++row) {
                        p += u"<tr>";
                        for (int col = 0; col < 3; ++col) {
                            p += u"<td class=c" + Num(col) + u">";
                            Sentence(r, p, 2);
                            p += u"</td>";
                        }
                        p += u"</tr>\r\n";
                    }
                    p += u"</table>\r\n";
                    break;
                case 3:
                    p += u"<h2><a name=\"sec" + Num(r.Below(100)) + u"\">";
                    Sentence(r, p, 3);
                    p += u"</a></h2>\r\n";
                    break;
                default:
                    p += u"<p>詳しくは<a\r\n   href=\"../sub" + Num(r.Below(20)) +
                         u"/index.html#top\"\r\n"
                         u"   >こちら</a>をご覧ください。<br>\r\n";
                    break;
            }
        } else {
            p += u"<p class=\"text\">";
            for (int line = 0; line < 4; ++line) {
                Sentence(r, p, 12);
                p += u"<br>\r\n";
            }
            p += u"<span style=\"color:red\"><b>";
            Sentence(r, p, 3);
            p += u"</b></span></p>\r\n<!-- 段落 " + Num(index) + u" -->\r\n";
        }
    }
    p += u"<hr>\r\n<address>Copyright (C) 2001 ";
    Sentence(r, p, 2);
    p += u"</address>\r\n</body>\r\n</html>\r\n";
    return p;
}

struct Site {
    std::string host_dir;
    std::u16string dir;  // drive form, ending with '\'
    std::vector<std::u16string> files;
    std::int64_t bytes = 0;
};

bool MakeSite(const char* name, std::int64_t size, int link_share, Site& site) {
    char templ[] = "/tmp/mokuroku-bench-XXXXXX";
    if (!mkdtemp(templ)) return false;
    site.host_dir = templ;
    site.dir = platform::HostToDrive(site.host_dir) + u"\\";
    Random r;
    for (int index = 0; site.bytes < size; ++index) {
        const std::string bytes =
            platform::Utf16ToCp932(MakePage(r, index, 12000 + r.Below(12000), link_share));
        const std::u16string path = site.dir + u"page" + Num(index) + u".htm";
        if (!platform::Fs().WriteFile(path, bytes, false)) return false;
        site.files.push_back(path);
        site.bytes += static_cast<std::int64_t>(bytes.size());
    }
    std::printf("%s site: %zu files, %.1f MB in %s\n", name, site.files.size(), site.bytes / 1e6,
                site.host_dir.c_str());
    return true;
}

void RemoveSite(const Site& site) {
    for (const std::u16string& path : site.files) platform::Fs().Remove(path);
    rmdir(site.host_dir.c_str());
}

template <class T>
std::size_t Heap(const std::basic_string<T>& s) {
    // libstdc++ keeps up to 15 bytes in the object itself.
    return s.capacity() * sizeof(T) > 15 ? (s.capacity() + 1) * sizeof(T) : 0;
}

template <class T>
std::size_t Heap(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

std::size_t Heap(const AttrList& list) {
    return list.capacity() > 1 ? list.capacity() * sizeof(AttrEntry) : 0;
}

// Texts longer than the inline three characters share blocks; each block counts once.
std::size_t Heap(const TableText& text, std::unordered_set<const char16_t*>& seen) {
    if (text.size() <= 3 || !seen.insert(text.data()).second) return 0;
    return sizeof(TableText::Shared) + text.size() * sizeof(char16_t);
}

std::size_t Heap(const WarningList& list, std::unordered_set<const char16_t*>& seen) {
    if (list.empty()) return 0;
    std::size_t n = sizeof(std::vector<WarningEntry>) + list.size() * sizeof(WarningEntry);
    for (const WarningEntry& w : list) n += Heap(w.Text, seen);
    return n;
}

// Heap bytes held by the entries (not counting the FileEntry objects themselves).
std::size_t KeptBytes(const FileTable& table, std::size_t& tags, std::size_t& attrs) {
    std::size_t n = 0;
    std::unordered_set<const char16_t*> seen;
    for (const FileEntry& f : table) {
        n += Heap(f.Path) + Heap(f.Anchors) + Heap(f.Warnings, seen) + Heap<TagEntry>(f.Tags);
        for (const TagEntry& t : f.Tags) {
            ++tags;
            n += Heap(t.Name, seen) + Heap(t.Warnings, seen) + Heap(t.Attrs);
            for (const AttrEntry& a : t.Attrs) {
                ++attrs;
                n += Heap(a.Name, seen) + Heap(a.Value, seen) + Heap(a.Target, seen) +
                     Heap(a.Warnings, seen);
            }
        }
    }
    return n;
}

// Processor time of the fastest of three rounds: the machine is shared, and the figure asked
// for is the speed of one core.
template <class Body>
double BestSeconds(Body body) {
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const std::clock_t start = std::clock();
        body();
        best = std::min(best, double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return best;
}

void Measure(const char* name, const Site& site, const std::vector<std::u16string>& patterns) {
    const double mb = site.bytes / 1e6;

    // The stages one by one, so a slow one shows.
    std::string bytes;
    const double read_s = BestSeconds([&] {
        for (const std::u16string& path : site.files) platform::Fs().ReadFile(path, bytes);
    });
    std::u16string text;
    const double decode_s = BestSeconds([&] {
        for (const std::u16string& path : site.files) VornCharSet::DecodeTextFile(path, text);
    });
    std::size_t items_total = 0;
    const double cut_s = BestSeconds([&] {
        items_total = 0;
        for (const std::u16string& path : site.files) {
            VornCharSet::DecodeTextFile(path, text);
            VornHtml::ItemList items(1);
            items_total += static_cast<std::size_t>(VornHtml::CutItems(text, items));
        }
    });

    FileTable table;
    int failed = 0;
    const double scan_s = BestSeconds([&] {
        table = FileTable(site.files.size());
        failed = 0;
        for (std::size_t k = 0; k < site.files.size(); ++k) {
            table[k].Path = site.files[k];
            if (ScanFile(table[k], patterns) != ScanOk) ++failed;
        }
    });

    std::size_t tags = 0, attrs = 0;
    const std::size_t kept = KeptBytes(table, tags, attrs);
    std::printf("%s site (processor time, best of 3):\n", name);
    std::printf("  read            %7.0f MB/s\n", mb / read_s);
    std::printf("  read+decode     %7.0f MB/s\n", mb / decode_s);
    std::printf("  read+decode+cut %7.0f MB/s  (%zu items)\n", mb / cut_s, items_total);
    std::printf("  ScanFile        %7.0f MB/s  (%.3f s, %d files not scanned)\n", mb / scan_s,
                scan_s, failed);
    std::printf(
        "  kept: %zu tags, %zu attributes, %.1f MB of heap: %.0f bytes per kept tag and "
        "attribute, %.3f per byte read (entries of %zu and %zu bytes)\n",
        tags, attrs, kept / 1e6, double(kept) / double(tags + attrs), double(kept) / site.bytes,
        sizeof(TagEntry), sizeof(AttrEntry));
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t size = (argc > 1 ? std::atoll(argv[1]) : 50) * 1'000'000;
    BuildLinkTagTable();
    std::vector<std::u16string> patterns;
    ToLikePatterns(patterns, {u"*.htm", u"*.html"});

    Site typical, text_heavy;
    const bool made =
        MakeSite("typical", size, 45, typical) && MakeSite("text-heavy", size, 8, text_heavy);
    if (made) {
        Measure("typical", typical, patterns);
        Measure("text-heavy", text_heavy, patterns);
    } else {
        std::fprintf(stderr, "cannot write the sites\n");
    }
    RemoveSite(typical);
    RemoveSite(text_heavy);
    return made ? 0 : 1;
}
