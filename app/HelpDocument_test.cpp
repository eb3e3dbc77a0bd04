#include "app/HelpDocument.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/HostPath.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Text.h"
#include "engine/Warnings.h"

namespace {

using app::WarningHelp;
using platform::ToUtf8;

// Every number the log can print, found by asking the catalogue itself, so that a number added
// to it later is covered here without touching this test.
std::set<int> PublishedNumbers() {
    std::set<int> numbers;
    for (int level = HtmlLink::kFileLevel; level <= HtmlLink::kAttrLevel; ++level) {
        for (std::int32_t code = 0; code <= 1000; ++code) {
            numbers.insert(HtmlLink::WarningNumber(level, code));
        }
    }
    return numbers;
}

std::map<int, WarningHelp> ShippedEntries() {
    const std::u16string path =
        platform::HostToDrive(std::string(MOKUROKU_HELP_DIR) + "/mokuroku.html");
    std::map<int, WarningHelp> entries;
    EXPECT_TRUE(app::LoadWarningHelp(path, entries)) << "help/mokuroku.html cannot be read";
    return entries;
}

TEST(HelpDocument, EveryPublishedNumberIsExplained) {
    const std::map<int, WarningHelp> entries = ShippedEntries();
    const std::set<int> numbers = PublishedNumbers();
    ASSERT_TRUE(numbers.count(99));
    for (int n : numbers) {
        SCOPED_TRACE("warning " + std::to_string(n));
        const auto it = entries.find(n);
        if (it == entries.end()) {
            ADD_FAILURE() << "help/mokuroku.html has no <div class=\"warning\" id=\"w" << n
                          << "\">";
            continue;
        }
        EXPECT_FALSE(it->second.Message.empty());
        EXPECT_FALSE(it->second.Meaning.empty());
        EXPECT_FALSE(it->second.Action.empty());
    }
    for (const auto& [n, entry] : entries) {
        EXPECT_TRUE(numbers.count(n)) << "help/mokuroku.html explains warning " << n
                                      << ", which the catalogue never prints";
    }
}

// The help's heading must read as the log prints the message: the fixed pieces of the
// catalogue, in order, and for fixed messages nothing else.
TEST(HelpDocument, HeadingsQuoteTheCatalogue) {
    namespace m = HtmlLink::msg;
    struct Case {
        int number;
        bool exact;
        std::vector<std::u16string_view> pieces;
    };
    const Case cases[] = {
        {1, true, {m::kReadFailed}},
        {2, true, {m::kCutFailed}},
        {3, true, {m::kFileUnlinked}},
        {8, false, {m::kBadBytes1, m::kBadBytes2}},
        {9, true, {m::kScanUnknown}},
        {11, false, {m::kDuplicatedAttrsTail}},
        {12, false, {m::kMissingAttrsTail}},
        {13, false, {u"<", m::kBaseAgainHead, m::kBaseAgainTail}},
        {14, false, {u"<", m::kBaseOutsideHead1, m::kBaseOutsideHead2}},
        {19, true, {m::kAttrCheckFailed}},
        {21, true, {m::kEmptyValue}},
        {22, true, {m::kBackslash}},
        {23, true, {m::kMixedSeparators}},
        {24, false, {m::kAboveRoot1, m::kAboveRoot2}},
        {25, true, {m::kNoRemoteUrl1, m::kNoRemoteUrl2}},
        {26, false, {u"<base> タグの記述が無効のため、", u"を解決できません。"}},
        {27, true, {m::kMailNotAllowed}},
        {31, true, {m::kLocalFullPath}},
        {32, true, {m::kAboveBaseDir1, m::kAboveBaseDir2}},
        {33, true, {m::kRelativeNotAllowed}},
        {34, true, {m::kServerName, m::kSlashAfter, m::kNeeded}},
        {35, true, {m::kNeedsSchemeAndServer, m::kNeeded306}},
        {36, true, {m::kBadScheme}},
        {37, true, {m::kBadRefresh}},
        {38, true, {m::kMistypedScheme}},
        {41, true, {m::kTargetMissing}},
        {42, true, {m::kNoDefaultDocument1, m::kNoDefaultDocument2}},
        {43, true, {m::kCaseMismatch}},
        {44, true, {m::kNotHtmlTarget, m::kCannotSearchAnchor, m::kFileItselfReached}},
        {45, true, {m::kUnreadableTarget, m::kCannotSearchAnchor, m::kFileItselfReached}},
        {46, true, {m::kUnparsableTarget, m::kCannotSearchAnchor, m::kFileItselfReached}},
        {47, true, {m::kAnchorOnBareDirectory1, m::kAnchorOnBareDirectory2}},
        {48, true, {m::kTrailingSeparator}},
        {49, true, {m::kAnchorMissing, m::kFileExists}},
        {50, false, {m::kAnchorDuplicated1, m::kInThisPage, m::kInTargetFile, m::kAnchorDuplicated2}},
        {51, true, {m::kTargetIgnored}},
        {52, true, {m::kNoSeparatorBeforeHash1, m::kNoSeparatorBeforeHash2}},
        {53, true, {m::kOutsideBaseDir1, m::kOutsideBaseDir2}},
        {56, true, {m::kMailtoNeedsAddress}},
        {57, true, {m::kAddressNeedsMailto}},
        {61, false, {m::kAnchorDefinedAt1, m::kAnchorDefinedAt2}},
        {62, true, {m::kAnchorInvalidChars}},
        {63, true, {m::kAnchorEmpty}},
        {64, true, {m::kAnchorUnlinked}},
        {96, true, {m::kResolveFailed}},
        {97, true, {m::kVerifyFailed}},
        {98, true, {m::kValueUninterpretable}},
    };
    const std::map<int, WarningHelp> entries = ShippedEntries();
    for (const Case& c : cases) {
        SCOPED_TRACE("warning " + std::to_string(c.number));
        const auto it = entries.find(c.number);
        if (it == entries.end()) continue;  // reported by the test above
        const std::u16string& message = it->second.Message;
        std::u16string joined;
        std::size_t at = 0;
        bool all_found = true;
        for (std::u16string_view piece : c.pieces) {
            joined += piece;
            const std::size_t found = message.find(piece, at);
            if (found == message.npos) {
                ADD_FAILURE() << ToUtf8(message) << " lacks " << ToUtf8(piece);
                all_found = false;
                break;
            }
            at = found + piece.size();
        }
        if (c.exact && all_found) {
            EXPECT_EQ(ToUtf8(message), ToUtf8(joined));
        }
    }
}

TEST(HelpDocument, PlainTextOfFragments) {
    const struct {
        std::u16string_view html, text;
    } cases[] = {
        {u"  a \n\t b  ", u"a b"},
        {u"「<span class=\"ui\">中 止</span>」", u"「中 止」"},  // inline tags add no blank
        {u"a<br>b<br/>c", u"a b c"},
        {u"&lt;base&gt; &amp; &quot;\\&quot; &#39;x&apos;", u"<base> & \"\\\" 'x'"},
        {u"&#x3042;&#12354;&#x1F600;", u"ああ\U0001F600"},
        {u"&#0;&#xD800;&#99999999999;", u"\uFFFD\uFFFD\uFFFD"},
        {u"a &unknown; b & c &amp", u"a &unknown; b & c &amp"},
        {u"x <!-- <p>hidden</p> --> y", u"x y"},
        {u"a < b, 1<2", u"a < b, 1<2"},  // a '<' that opens no tag is text
        {u"<a title=\"x>y\">link</a>", u"link"},
        {u"\u3000全角\u3000", u"\u3000全角\u3000"},  // only ASCII white space collapses
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(app::HtmlToPlainText(c.html)), ToUtf8(c.text)) << ToUtf8(c.html);
    }
}

TEST(HelpDocument, ReadsEntriesWrittenInOtherWays) {
    const std::u16string html =
        u"<DIV ID='w7' CLASS='x warning'><H3>7:   Seven  &amp; more</H3>\n"
        u"<div class=\"inner\"><p class=\"meaning\">in a <b>nested</b> box</p></div>\n"
        u"<p class=\"action meaning2\">do\nthis</p></DIV>\n"
        u"<p class=\"action\">outside, not part of w7</p>\n"
        u"<div class=\"warning\" id=\"w8\"><h3>No number here</h3></div>\n"
        u"<div class=\"warning\" id=\"notes\"><h3>1: ignored</h3></div>\n"
        u"<div class=\"warnings\" id=\"w9\"><h3>9: not an entry</h3></div>\n"
        u"<div class=\"warning\" id=\"w10\"><h3>10: unterminated";
    const std::map<int, WarningHelp> entries = app::ReadWarningHelp(html);
    ASSERT_EQ(entries.size(), 3u);
    const WarningHelp& seven = entries.at(7);
    EXPECT_EQ(ToUtf8(seven.Message), "Seven & more");
    EXPECT_EQ(ToUtf8(seven.Meaning), "in a nested box");
    EXPECT_EQ(ToUtf8(seven.Action), "do this");
    EXPECT_EQ(ToUtf8(entries.at(8).Message), "No number here");
    EXPECT_TRUE(entries.at(8).Meaning.empty());
    EXPECT_EQ(ToUtf8(entries.at(10).Message), "unterminated");
}

TEST(HelpDocument, FoundBesideTheProgramThenInTheDataDirectory) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\opt\mk\bin\)");
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\opt\mk\bin\)"), u"");

    fs.AddDirectory(uR"(C:\opt\mk\share\mokuroku\mokuroku.html)");  // a directory is no document
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\opt\mk\bin\)"), u"");

    fs.RemoveEntry(uR"(C:\opt\mk\share\mokuroku\mokuroku.html)");
    fs.AddFile(uR"(C:\opt\mk\share\mokuroku\mokuroku.html)", "<html>");
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\opt\mk\bin\)"),
              uR"(C:\opt\mk\share\mokuroku\mokuroku.html)");
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\opt\mk\bin)"),
              uR"(C:\opt\mk\share\mokuroku\mokuroku.html)");

    fs.AddFile(uR"(C:\opt\mk\bin\mokuroku.html)", "<html>");
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\opt\mk\bin\)"), uR"(C:\opt\mk\bin\mokuroku.html)");

    // A program at the root has no parent to look in.
    EXPECT_EQ(app::FindHelpDocument(uR"(C:\)"), u"");
    EXPECT_EQ(app::FindHelpDocument(u""), u"");
}

TEST(HelpDocument, UnreadableDocument) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddFile(uR"(C:\h\bad.html)", "<div class=\"warning\" id=\"w1\"><h3>1: x</h3></div>");
    fs.FailReads(uR"(C:\h\bad.html)");
    std::map<int, WarningHelp> entries{{5, {}}};
    EXPECT_FALSE(app::LoadWarningHelp(uR"(C:\h\bad.html)", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(app::LoadWarningHelp(uR"(C:\h\missing.html)", entries));

    // A byte-order mark some editors write is not part of the text.
    fs.AddFile(uR"(C:\h\bom.html)",
               "\xEF\xBB\xBF<div class=\"warning\" id=\"w1\"><h3>1: \xE3\x81\x82</h3></div>");
    ASSERT_TRUE(app::LoadWarningHelp(uR"(C:\h\bom.html)", entries));
    EXPECT_EQ(ToUtf8(entries.at(1).Message), "\xE3\x81\x82");
}

}  // namespace
