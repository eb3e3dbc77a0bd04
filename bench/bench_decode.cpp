// Reads and decodes about 100 MB of Japanese text in each of Shift_JIS, EUC-JP and
// ISO-2022-JP with DecodeTextFile, and reports the speed and the peak memory of each.
//   bench_decode [megabytes]
// Every encoding is decoded in a child process of its own, so that its peak resident size is
// its own and not that of the generator.
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "lib/VornCharSet.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"

namespace {

// Ordinary Japanese prose and markup: kanji of both levels, kana, punctuation, half-width
// katakana, ASCII tags. Only characters of JIS X 0208 and JIS X 0201, so that all three
// encodings hold the same text.
const char16_t* const kLines[] = {
    u"<html lang=\"ja\"><head><title>目録 - サイト内のリンクを確かめる</title></head>",
    u"<body><h1>東京都内の図書館案内</h1>",
    u"<p>この頁では、区立図書館の開館時間と休館日、蔵書の検索方法をご案内します。</p>",
    u"<p>月曜日は休館です。祝日に当たる場合は翌日が休館日となります。ｶﾀｶﾅの表記もあります。</p>",
    u"<p>鬱蒼とした森の奥に、薔薇の咲く庭と麒麟の像があると伝えられています。</p>",
    u"<ul><li><a href=\"kaikan.htm#jikan\">開館時間</a></li><li><a "
    u"href=\"../kensaku/index.htm\">蔵書検索</a></li></ul>",
    u"<p>貸出は一人十冊まで、期間は二週間です。予約した資料は窓口でお受け取りください。</p>",
    u"<p>駐車場はありません。最寄りの駅から徒歩五分、バス停「図書館前」すぐです。</p>",
    u"<address>問い合わせ先：電話（〇三）一二三四－五六七八、受付は午前九時から午後五時まで。</"
    u"address>",
    u"</body></html>",
};

std::string SjisSample() {
    std::string s;
    for (const char16_t* line : kLines) s += platform::Utf16ToCp932(line) + "\n";
    return s;
}

// Row and cell of a Shift_JIS pair, each 0x21..0x7E.
void SjisToJis(unsigned s1, unsigned s2, unsigned& j1, unsigned& j2) {
    j1 = s1 <= 0x9F ? (s1 - 0x81) * 2 + 0x21 : (s1 - 0xE0) * 2 + 0x5F;
    if (s2 >= 0x9F) {
        ++j1;
        j2 = s2 - 0x7E;
    } else {
        j2 = s2 - 0x1F - (s2 >= 0x80 ? 1 : 0);
    }
}

inline bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string ToEuc(const std::string& sjis) {
    std::string out;
    for (size_t i = 0; i < sjis.size(); ++i) {
        const unsigned b = static_cast<unsigned char>(sjis[i]);
        if (IsLead(b)) {
            unsigned j1, j2;
            SjisToJis(b, static_cast<unsigned char>(sjis[++i]), j1, j2);
            out += static_cast<char>(j1 | 0x80);
            out += static_cast<char>(j2 | 0x80);
        } else if (b >= 0xA1 && b <= 0xDF) {
            out += '\x8e';
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string ToJis(const std::string& sjis) {
    std::string out;
    enum { Ascii, TwoByte, Katakana } mode = Ascii;
    for (size_t i = 0; i < sjis.size(); ++i) {
        const unsigned b = static_cast<unsigned char>(sjis[i]);
        if (IsLead(b)) {
            if (mode != TwoByte) out += "\x1b$B";
            mode = TwoByte;
            unsigned j1, j2;
            SjisToJis(b, static_cast<unsigned char>(sjis[++i]), j1, j2);
            out += static_cast<char>(j1);
            out += static_cast<char>(j2);
        } else if (b >= 0xA1 && b <= 0xDF) {
            if (mode != Katakana) out += "\x1b(I";
            mode = Katakana;
            out += static_cast<char>(b - 0x80);
        } else {
            if (mode != Ascii) out += "\x1b(B";
            mode = Ascii;
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string RepeatTo(const std::string& sample, size_t size) {
    std::string out;
    out.reserve(size + sample.size());
    while (out.size() < size) out += sample;
    return out;
}

long MaxRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Processor time of this process, user and system: the machine may be shared, and the
// figure wanted is the speed per core.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs in the child: decodes the file three times and prints the speed of each phase.
void Measure(const char* name, const std::u16string& path, size_t size, int expected) {
    const long baseline = MaxRssKb();
    double best = 1e9, total = 0, best_wall = 1e9;
    int code = -1;
    size_t chars = 0;
    for (int run = 0; run < 3; ++run) {
        std::u16string text;
        const double wall = WallSeconds(), cpu = CpuSeconds();
        code = VornCharSet::DecodeTextFile(path, text);
        const double s = CpuSeconds() - cpu;
        best_wall = std::min(best_wall, WallSeconds() - wall);
        best = std::min(best, s);
        total += s;
        chars = text.size();
    }
    const long peak = MaxRssKb();

    // The phases one by one, to see where the time goes.
    std::string buffer;
    double start = CpuSeconds();
    platform::Fs().ReadFile(path, buffer);
    const double read = CpuSeconds() - start;
    std::uint8_t target = 3, style = 3;
    start = CpuSeconds();
    VornCharSet::ConvertCharSet(buffer, 4, target, style);
    const double convert = CpuSeconds() - start;
    start = CpuSeconds();
    const std::u16string text = platform::Cp932ToUtf16(buffer);
    const double decode = CpuSeconds() - start;

    const double mb = static_cast<double>(size) / 1e6;
    std::printf("%-12s %7.1f MB  code %d%s  %zu characters\n", name, mb, code,
                code == expected ? "" : " (UNEXPECTED)", chars);
    std::printf(
        "  DecodeTextFile: best %.3f s of processor time = %.0f MB/s, mean %.0f MB/s"
        " (best wall clock %.0f MB/s)\n",
        best, mb / best, mb / (total / 3), mb / best_wall);
    std::printf("  phases: read %.0f MB/s, convert %.0f MB/s, decode %.0f MB/s\n", mb / read,
                mb / convert, mb / decode);
    std::printf("  peak RSS %.1f MB (%.1f MB before decoding): %.2f x the file\n", peak / 1e3,
                baseline / 1e3, static_cast<double>(peak - baseline) * 1e3 / size);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    char dir_template[] = "/tmp/bench_decode-XXXXXX";
    if (!mkdtemp(dir_template)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string host_dir = dir_template;
    const std::u16string dir = platform::HostToDrive(host_dir + "/");

    const std::string sjis = SjisSample();
    struct Input {
        const char* name;
        std::string sample;
        int expected;
        std::u16string path;
        size_t size = 0;
    };
    std::vector<Input> inputs = {{"Shift_JIS", sjis, 3, dir + u"sjis.htm"},
                                 {"EUC-JP", ToEuc(sjis), 2, dir + u"euc.htm"},
                                 {"ISO-2022-JP", ToJis(sjis), 1, dir + u"jis.htm"}};

    // All three must decode to the same text, or the figures mean nothing.
    std::u16string first;
    for (const Input& in : inputs) {
        platform::Fs().WriteFile(dir + u"check.htm", in.sample, false);
        std::u16string text;
        const int code = VornCharSet::DecodeTextFile(dir + u"check.htm", text);
        if (code != in.expected || (!first.empty() && text != first)) {
            std::fprintf(stderr, "%s sample decodes wrongly (code %d)\n", in.name, code);
            return 1;
        }
        first = text;
    }
    platform::Fs().Remove(dir + u"check.htm");

    for (Input& in : inputs) {
        {
            const std::string big = RepeatTo(in.sample, megabytes * 1000000);
            in.size = big.size();
            if (!platform::Fs().WriteFile(in.path, big, false)) {
                std::fprintf(stderr, "cannot write %s\n", in.name);
                return 1;
            }
        }
        const pid_t pid = fork();
        if (pid == 0) {
            Measure(in.name, in.path, in.size, in.expected);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        platform::Fs().Remove(in.path);
    }
    rmdir(host_dir.c_str());
    return 0;
}
