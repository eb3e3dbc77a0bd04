#pragma once
// The help document shipped with the program: where it lies, and its list of warning messages,
// which the front ends read to explain a warning number.
#include <map>
#include <string>
#include <string_view>

namespace app {

// The document's file name, beside the program and in the data directory.
inline constexpr std::u16string_view kHelpFileName = u"mokuroku.html";

// The help document beside the program, else in the installed data directory
// ('<prefix>\share\mokuroku\', the prefix being the program's parent directory). Drive form
// in, drive form out; empty when neither exists.
std::u16string FindHelpDocument(std::u16string_view program_dir);

// One entry of the list of warning messages, as plain text.
struct WarningHelp {
    std::u16string Message;  // as the log prints it; inserted values shown as 〈…〉
    std::u16string Meaning;
    std::u16string Action;   // what to do about it
};

// The warning entries of a help document's text, by warning number. An entry is a
// <div class="warning" id="wN"> with an <h3>N: message</h3>, a <p class="meaning"> and a
// <p class="action">; tags are stripped, entities decoded and white space collapsed. Entries
// without a number are left out; a part that is missing stays empty. Empty on any failure.
std::map<int, WarningHelp> ReadWarningHelp(std::u16string_view html);

// Reads the document (UTF-8) and its warning entries. False when it cannot be read.
bool LoadWarningHelp(std::u16string_view path, std::map<int, WarningHelp>& entries);

// The plain text of an HTML fragment: tags dropped, the common entities and numeric character
// references decoded, runs of white space made one blank, the ends trimmed.
std::u16string HtmlToPlainText(std::u16string_view html);

}  // namespace app
