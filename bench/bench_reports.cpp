// Making the reports of a run with 20,000 warnings (Google Benchmark): the JSON report, the
// SARIF log and JUnit XML, from the same collected report as the command-line checker uses.
//
//   bench_reports [--benchmark_filter=...]
//
// 2,000 pages under Japanese directory names, ten warnings each: missing files and anchors with
// their targets, a tag without its attribute, a file nothing links to. Bytes per second are of
// the document made.
#include <benchmark/benchmark.h>

#include <string>

#include "app/Reports.h"
#include "platform/Text.h"

namespace {

app::RunReport MakeReport() {
    app::RunReport r;
    r.SetName = u"見本サイト";
    r.BaseDirectory = uR"(C:\site)";
    r.Date = "2026-12-07T09:05:00+09:00";
    const std::u16string missing = u"リンク先のファイルが見つかりません。";
    const std::u16string no_anchor = u"リンク先のアンカーが見つかりません。";
    for (int f = 0; f < 2000; ++f) {
        const std::u16string n = platform::FromUtf8(std::to_string(f));
        app::ReportFile file;
        file.Path = uR"(C:\site\記事\第)" + n + u"章.htm";
        file.DisplayPath = u"/記事/第" + n + u"章.htm";
        file.Html = true;
        for (int k = 0; k < 10; ++k) {
            app::ReportItem item;
            item.File = r.Files.size();
            item.Line = 10 + 7 * k;
            if (k == 9) {
                item.Number = 3;
                item.Message = u"このファイルは、どこからもリンクされていません。";
                item.Line = 0;
            } else if (k == 8) {
                item.Tag = u"IMG";
                item.Number = 12;
                item.Message = u"src 属性が設定されていません。";
            } else {
                const std::u16string to = platform::FromUtf8(std::to_string((f * 7 + k) % 2000));
                item.Tag = u"A";
                item.Attribute = u"href";
                item.Value = u"\"../記事/第" + to + (k % 2 ? u"章.htm#節" : u"章.html\"");
                item.Target = u"/site/記事/第" + to + (k % 2 ? u"章.htm#節" : u"章.html");
                item.Number = k % 2 ? 44 : 41;
                item.Message = k % 2 ? no_anchor : missing;
            }
            ++file.Warnings;
            ++r.WarningCount;
            r.Items.push_back(std::move(item));
        }
        r.Files.push_back(std::move(file));
    }
    return r;
}

const app::RunReport& Report() {
    static const app::RunReport report = MakeReport();
    return report;
}

template <class Make>
void Run(benchmark::State& state, const Make& make) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string doc = make(Report());
        bytes = doc.size();
        benchmark::DoNotOptimize(doc.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void Json(benchmark::State& state) { Run(state, app::JsonReport); }
void Sarif(benchmark::State& state) {
    const app::WarningHelpTable help;
    Run(state, [&](const app::RunReport& r) {
        return app::SarifReport(r, help, "1.00", "file:///usr/share/doc/mokuroku/mokuroku.html");
    });
}
void JUnit(benchmark::State& state) { Run(state, app::JUnitReport); }

BENCHMARK(Json)->Unit(benchmark::kMillisecond);
BENCHMARK(Sarif)->Unit(benchmark::kMillisecond);
BENCHMARK(JUnit)->Unit(benchmark::kMillisecond);

}  // namespace
