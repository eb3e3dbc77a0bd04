// The tokenizer and the per-file scan of one page held in memory: cutting loses no text, every
// tag splits into parts that rebuild it, and the scan ends with a known status.
#include <cstdlib>

#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "engine/VornHtml.h"
#include "fuzz/FuzzInput.h"
#include "platform/MemoryFileSystem.h"
#include "verify/Anchors.h"
#include "verify/TagChecks.h"

namespace {

class Collect final : public VornHtml::ItemSink {
public:
    std::u16string joined;
    std::size_t items = 0;
    bool Item(std::u16string_view item) override {
        joined += item;
        ++items;
        VornHtml::ItemList parts(1);
        if (VornHtml::SplitTag(item, parts) > 0) {
            std::u16string whole;
            for (std::u16string_view p : parts) whole += p;
            if (whole != item.substr(0, whole.size())) std::abort();
            for (std::u16string_view p : parts) {
                std::u16string_view name, separator, value;
                VornHtml::SplitAttribute(p, name, separator, value);
            }
        }
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool table_built = (HtmlLink::BuildLinkTagTable(), true);
    (void)table_built;
    const std::string_view bytes = fuzz::Bytes(data, size);

    const std::u16string text = fuzz::Text(bytes);
    Collect sink;
    if (!VornHtml::CutItemsTo(text, sink)) std::abort();
    // Nothing is lost but a final '<' that starts no markup (inside an unclosed comment or tag
    // it stays with the rest).
    std::u16string_view shorter = text;
    if (!shorter.empty() && shorter.back() == u'<') shorter.remove_suffix(1);
    if (sink.joined != text && sink.joined != shorter) std::abort();
    if (VornHtml::CountLineBreaks(text) < 0) std::abort();

    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddFile(uR"(C:\site\dir\page.htm)", bytes);
    CheckSet set = NewCheckSet();
    set.LocalPath = uR"(C:\site\)";
    set.Url = u"http://example.jp/";
    std::vector<std::u16string> patterns;
    if (HtmlLink::ToLikePatterns(patterns, {u"*.htm*"}) != 0) std::abort();
    HtmlLink::FileEntry file;
    file.Path = uR"(C:\site\dir\page.htm)";
    const std::uint8_t status = HtmlLink::ScanFile(file, patterns);
    if (status > 3 && status != 99) std::abort();
    if (status == HtmlLink::ScanOk) {
        HtmlLink::CheckFileTags(file, u"http://example.jp", set);
        HtmlLink::CheckAnchorDefinitions(file, set);
    }
    return 0;
}
