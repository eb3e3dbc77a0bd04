// Reading, decoding and tokenizing a page, stage by stage (Google Benchmark).
//
//   bench_textscan [--benchmark_filter=...]
//
// One page of 1 MB (markup, links and Japanese text, CR LF lines) in each encoding. Decode/* set
// the one-pass decoder against the two passes it replaced (conversion to Shift_JIS with line
// breaks, then code page 932); Cut/* is the tokenizer with the line count; Scan/* is ScanFile
// over the page in memory, in both readings. Bytes per second are of the encoded page.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "engine/HtmlLink.h"
#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "engine/VornHtml.h"
#include "lib/VornCharSet.h"
#include "lib/WebText.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Text.h"

namespace {

const char16_t* const kWords[] = {u"日本語", u"の",   u"ページ", u"です。", u"リンク",
                                  u"確認",   u"一覧", u"ホーム", u"記事",   u"トップへ戻る"};

std::u16string MakePage(std::size_t target) {
    std::u16string p = u"<html>\r\n<head><title>目録</title></head>\r\n<body>\r\n";
    unsigned k = 0;
    while (p.size() < target) {
        ++k;
        const std::u16string n = platform::FromUtf8(std::to_string(k % 997));
        p += u"<div class=\"nav\" id=\"n" + n + u"\">\r\n<ul>\r\n";
        for (int item = 0; item < 4; ++item)
            p += u"  <li><a href=\"page" + n + u".htm#s" + n + u"\" title=\"" +
                 kWords[(k + item) % 10] + u"\">" + kWords[(k + item + 3) % 10] + u"</a></li>\r\n";
        p += u"</ul>\r\n</div>\r\n<p class=\"text\">";
        for (int word = 0; word < 40; ++word) p += kWords[(k * 7 + word) % 10];
        p += u"<br>\r\n<img src=\"img/p" + n + u".jpg\"\r\n     alt=\"写真\" width=320></p>\r\n";
    }
    return p + u"</body>\r\n</html>\r\n";
}

// Shift_JIS to EUC-JP and ISO-2022-JP; the page has no half-width katakana.
std::string SjisToEuc(std::string_view sjis, bool jis) {
    std::string out;
    bool two_byte = false;
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const auto s1 = static_cast<unsigned char>(sjis[i]);
        if (s1 < 0x80) {
            if (jis && two_byte) out += "\x1b(B";
            two_byte = false;
            out += static_cast<char>(s1);
            continue;
        }
        const auto s2 = static_cast<unsigned char>(sjis[++i]);
        unsigned j1 = (s1 <= 0x9F ? (s1 - 0x81) : (s1 - 0xC1)) * 2 + 0x21;
        unsigned j2;
        if (s2 >= 0x9F) {
            ++j1;
            j2 = s2 - 0x7E;
        } else {
            j2 = s2 - (s2 >= 0x80 ? 0x20 : 0x1F);
        }
        if (jis && !two_byte) out += "\x1b$B";
        two_byte = true;
        const unsigned high = jis ? 0 : 0x80;
        out += static_cast<char>(j1 | high);
        out += static_cast<char>(j2 | high);
    }
    if (jis && two_byte) out += "\x1b(B";
    return out;
}

struct Pages {
    std::u16string text = MakePage(1 << 20);
    std::string sjis = platform::Utf16ToCp932(text);
    std::string euc = SjisToEuc(sjis, false);
    std::string jis = SjisToEuc(sjis, true);
    std::string utf8 = platform::ToUtf8(text);
};

const Pages& TestPages() {
    static const Pages pages;
    return pages;
}

const std::string& Encoded(int encoding) {
    const Pages& p = TestPages();
    return encoding == VornCharSet::kIso2022Jp ? p.jis
           : encoding == VornCharSet::kEucJp   ? p.euc
           : encoding == WebText::kUtf8        ? p.utf8
                                               : p.sjis;
}

void TwoPasses(benchmark::State& state) {
    const std::string& bytes = Encoded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string buffer = bytes;
        std::uint8_t target = VornCharSet::kShiftJis, style = VornCharSet::kCrLf;
        VornCharSet::ConvertCharSet(buffer, VornCharSet::kDetectEncoding, target, style);
        benchmark::DoNotOptimize(platform::Cp932ToUtf16(buffer));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void OnePass(benchmark::State& state) {
    const auto encoding = static_cast<std::uint8_t>(state.range(0));
    const std::string& bytes = Encoded(encoding);
    VornCharSet::TextBuffer text;
    for (auto _ : state) {
        VornCharSet::DecodeToUtf16(bytes, encoding, text);
        benchmark::DoNotOptimize(text.View().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// Counts items the way the scan does: each one, with the lines up to the last.
struct Counter final : VornHtml::ItemSink {
    bool Item(std::u16string_view item) override {
        ++items;
        last = item;
        return true;
    }
    std::size_t items = 0;
    std::u16string_view last;
};

void Cut(benchmark::State& state) {
    const std::u16string& text = TestPages().text;
    for (auto _ : state) {
        Counter counter;
        VornHtml::CutItemsTo(text, counter);
        benchmark::DoNotOptimize(VornHtml::CountLineBreaks(text));
        benchmark::DoNotOptimize(counter.items);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * 2));
}

void Scan(benchmark::State& state) {
    const auto encoding = static_cast<std::uint8_t>(state.range(0));
    const bool modern = state.range(1) != 0;
    HtmlLink::BuildLinkTagTable();
    platform::MemoryFileSystem fs;
    const std::u16string path = uR"(C:\site\page.htm)";
    fs.AddFile(path, Encoded(encoding));
    platform::ScopedFileSystem use(fs);
    std::vector<std::u16string> patterns;
    HtmlLink::ToLikePatterns(patterns, {u"*.htm"});
    for (auto _ : state) {
        HtmlLink::FileEntry entry;
        entry.Path = path;
        HtmlLink::ScanFile(entry, patterns, modern);
        benchmark::DoNotOptimize(entry.Tags.size());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * Encoded(encoding).size()));
}

constexpr int kSjis = VornCharSet::kShiftJis, kEuc = VornCharSet::kEucJp,
              kJis = VornCharSet::kIso2022Jp, kUtf8 = WebText::kUtf8;

}  // namespace

BENCHMARK(TwoPasses)->Name("Decode/TwoPasses")->Arg(kSjis)->Arg(kEuc)->Arg(kJis);
BENCHMARK(OnePass)->Name("Decode/OnePass")->Arg(kSjis)->Arg(kEuc)->Arg(kJis);
BENCHMARK(Cut)->Name("Cut/ItemsAndLines");
BENCHMARK(Scan)
    ->Name("Scan/ScanFile")
    ->Args({kSjis, 0})
    ->Args({kEuc, 0})
    ->Args({kJis, 0})
    ->Args({kSjis, 1})
    ->Args({kUtf8, 1});
