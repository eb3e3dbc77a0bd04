#pragma once
// Japanese character sets: detection from the bytes, conversion to Shift_JIS, line breaks, and
// the final decoding with code page 932. A byte buffer is a std::string of raw bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace VornCharSet {

// Encodings, as arguments and in results.
enum Encoding : std::uint8_t {
    kNoEncoding = 0,  // none determined: plain ASCII, or as much evidence for EUC-JP as Shift_JIS
    kIso2022Jp = 1,   // "JIS"
    kEucJp = 2,
    kShiftJis = 3,
    kDetectEncoding = 4,  // as a source: judge by the bytes
};
// What the bytes are when they are no Japanese text, or cannot be judged.
constexpr std::uint8_t kNotText = 4;
constexpr std::uint8_t kDetectFailed = 5;
// ConvertCharSet's results besides an encoding: a source given by the caller rather than
// detected, the step added when no line break changed, the base of a failed conversion (plus
// the encoding), and any other failure. DecodeTextFile's own: the base of a failed conversion.
constexpr std::uint8_t kGivenSource = 4;
constexpr std::uint8_t kLinesUnchanged = 5;
constexpr std::uint8_t kConversionFailed = 100;
constexpr std::uint8_t kDecodeFailed = 5;
constexpr std::uint8_t kCharSetFailure = 99;

// Line-break styles.
enum LineBreak : std::uint8_t {
    kKeepLineBreaks = 0,
    kCrOnly = 1,
    kLfOnly = 2,
    kCrLf = 3,
    kDetectLineBreak = 4,  // as an argument: the style of the first line break; in a result: mixed
};

// Decoded text in storage kept from one file to the next: the decoders write straight into it,
// with no zero filling, growing or copying per file.
class TextBuffer {
public:
    // Room for `size` characters; what the buffer held is lost.
    char16_t* Prepare(std::size_t size);
    // The text is the first `size` characters of the room prepared.
    void SetSize(std::size_t size) { size_ = size; }
    void Assign(std::u16string_view text);
    void Clear() { size_ = 0; }
    // Gives the storage back when it is larger than `keep` characters (after a huge file).
    void Release(std::size_t keep);
    std::u16string_view View() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char16_t[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

constexpr std::size_t kNoBadBytes = static_cast<std::size_t>(-1);

// Decodes bytes of a Japanese encoding (0 or 3: code page 932, 1 JIS, 2 EUC-JP) straight to
// UTF-16 with every line break made CR LF, in one pass: the text that converting to Shift_JIS
// with style 3 and then decoding code page 932 gives. False when that conversion fails (JIS and
// EUC-JP only). With `first_bad`, EUC-JP is read as a browser reads it instead, each invalid
// sequence becoming one U+FFFD and a JIS X 0212 character another, and `first_bad` gets the
// index in the text of the first character made from an invalid sequence of code page 932 or
// EUC-JP, or kNoBadBytes.
bool DecodeToUtf16(std::string_view bytes, std::uint8_t encoding, TextBuffer& text,
                   std::size_t* first_bad = nullptr) noexcept;

// DecodeTextFile with the encoding detected and CR LF line breaks, into a reused buffer; the
// same results and text. `listed`: a listing has just shown the file to be a regular one
// (platform::FileSystem::ReadListedFile).
std::uint8_t DecodeTextFile(std::u16string_view path, TextBuffer& text,
                            bool listed = false) noexcept;

// Reads, converts and decodes a whole file. Result 0..3 (encoding found or given), 4 not text
// or not determined, 5..7 conversion from JIS/EUC-JP/Shift_JIS failed, 99 unreadable (missing,
// a directory) or another failure. After a failed conversion `text` holds the unconverted bytes
// decoded as Shift_JIS; it is empty when the file could not be read. `detected_line_break`
// gets the style of the file's first line break once the file was read.
std::uint8_t DecodeTextFile(std::u16string_view path, std::u16string& text,
                            std::uint8_t source = kDetectEncoding, std::uint8_t line_break = kCrLf,
                            std::uint8_t* detected_line_break = nullptr) noexcept;

// Converts the buffer in place to `target` and normalises its line breaks (style 4 becomes the
// style of the first line break, written back to `line_break`). Returns the encoding converted
// from (1, 2); after line breaks only, the detected encoding (0, 3) when some line break
// changed and that + 5 when none did, or 4 and 9 when the source was given rather than
// detected; 104 not text, 105 detection failed, 100 + encoding when the conversion failed, 99
// bad style or other failure. The buffer is unchanged on failure. `detected_line_break`, unless
// it holds 255, gets the style of the first line break.
std::uint8_t ConvertCharSet(std::string& buffer, std::uint8_t source, std::uint8_t& target,
                            std::uint8_t& line_break,
                            std::uint8_t* detected_line_break = nullptr) noexcept;

// Judges the encoding by the bytes up to the 40th double-byte pair: a JIS escape before it
// gives 1, a byte 0x00..0x06 before it 4 (not text); else the evidence counts: 3, 2, or 0 for
// a tie. 5 on failure.
std::uint8_t DetectCharSet(std::string_view buffer) noexcept;

// Style 0..4 (4 for a mixture) of the first `maximum` line breaks (all of them when `maximum`
// is 0 or less); `count` gets how many were seen.
std::uint8_t DetectLineBreak(std::string_view buffer, std::int32_t maximum,
                             std::int32_t* count = nullptr) noexcept;

// 0 nothing changed, 1 some line break changed, 2 bad style or failure (buffer unchanged).
std::uint8_t ConvertLineBreaks(std::string& buffer, std::uint8_t style) noexcept;

// Convert to Shift_JIS in place and normalise line breaks (style 0..3). 0 converted, 1 bad
// style or malformed data (a character cut short by a line break or the end), buffer unchanged.
std::uint8_t EucToSjis(std::string& buffer, std::uint8_t style) noexcept;
std::uint8_t JisToSjis(std::string& buffer, std::uint8_t style) noexcept;

}  // namespace VornCharSet
