#pragma once
// The warning catalogue: every message text of a check, and the published number of each
// internal code. Composed messages are built by the module that raises them from these pieces.
#include <cstdint>
#include <string_view>

#include "engine/Codes.h"

namespace HtmlLink {

enum WarningLevel : int { kFileLevel = 1, kTagLevel = 2, kAttrLevel = 3 };

// The published number of a warning of the given level and code; 99 for any other pair.
std::uint8_t WarningNumber(int level, std::int32_t code) noexcept;

namespace msg {
// File level.
constexpr std::u16string_view kReadFailed = u"ファイルの読み込みに失敗しました。";
constexpr std::u16string_view kCutFailed = u"HTML タグの切り出しに失敗しました。";
constexpr std::u16string_view kFileUnlinked = u"このファイルは、どこからもリンクされていません。";
constexpr std::u16string_view kBadBytes1 = u"文字コードとして不正なバイトを置き換えて読み込みました（最初は ";  // 1 line 2
constexpr std::u16string_view kBadBytes2 = u" 行目）。";
constexpr std::u16string_view kScanUnknown = u"HTML 構造の解析中に未知のエラーを起こしました。";
constexpr std::u16string_view kDirectoryUnreadable =
    u"このディレクトリは読み取れないため、中のファイルを検索できませんでした。";
constexpr std::u16string_view kDirectoryTooLong =
    u"このディレクトリはパスが長すぎるため、中のファイルを検索できませんでした。";

// Tag level.
constexpr std::u16string_view kDuplicatedAttrsTail = u" 属性が重複定義されています。";
constexpr std::u16string_view kANoAttrs = u"href 属性、name 属性、id 属性のいずれも設定されていません。";
constexpr std::u16string_view kLinkNoAttrs = u"href 属性、src 属性のいずれも設定されていません。";
constexpr std::u16string_view kMissingAttrsTail = u" 属性が設定されていません。";
constexpr std::u16string_view kBaseAgainHead = u"> タグは既に ";       // "<" name kBaseAgainHead line kBaseAgainTail
constexpr std::u16string_view kBaseAgainTail = u" 行目で記述されています。";
constexpr std::u16string_view kBaseOutsideHead1 = u"> タグは <head> セクションに";  // "<" name 1 2
constexpr std::u16string_view kBaseOutsideHead2 = u"記述しなければなりません。";
constexpr std::u16string_view kAttrCheckFailed = u"属性の有無のチェックに失敗しました。";

// Attribute level: link resolution and the BASE href.
constexpr std::u16string_view kEmptyValue = u"属性値が空です。";
constexpr std::u16string_view kBackslash = u"ディレクトリの区切り記号に \"\\\" は使えません。";
constexpr std::u16string_view kMixedSeparators = u"ディレクトリの区切り記号に \"\\\" と \"/\" が混在しています。";
constexpr std::u16string_view kMixedSeparators1 = u"ディレクトリの区切り記号に \"\\\" と \"/\" が";
constexpr std::u16string_view kMixedSeparators2 = u"混在しています。";
constexpr std::u16string_view kAboveRoot1 = u"相対リンクで、ルートディレクトリ (";  // 1 root 2
constexpr std::u16string_view kAboveRoot2 = u") より上へ行こうとしました。";
constexpr std::u16string_view kNoRemoteUrl1 = u"リモートの URL が指定されていないため、";
constexpr std::u16string_view kNoRemoteUrl2 = u"絶対パス記述のプロトコル名とサーバ名を決定できません。";
constexpr std::u16string_view kBadBaseAbsolute = u"<base> タグの記述が無効のため、絶対パスを解決できません。";
constexpr std::u16string_view kBadBaseRelative = u"<base> タグの記述が無効のため、相対パスを解決できません。";
constexpr std::u16string_view kMailNotAllowed = u"ここでメールアドレスは指定できません。";
constexpr std::u16string_view kLocalFullPath = u"ローカルなフルパス指定は使えません。";
constexpr std::u16string_view kAboveBaseDir1 = u"相対パスが基準ディレクトリ";  // code 2: 1 + 2
constexpr std::u16string_view kAboveBaseDir2 = u"より上を参照しています。";
constexpr std::u16string_view kAboveUrl1 = u"相対パスが基準ディレクトリより";  // code 102: 1 + 2
constexpr std::u16string_view kAboveUrl2 = u"上を参照しています。";
constexpr std::u16string_view kRelativeNotAllowed = u"ここで相対パスは使えません。";
constexpr std::u16string_view kServerName = u"サーバ名";  // 305: + [kOrDrive] + kSlashAfter + [kOrBackslash] + kNeeded
constexpr std::u16string_view kOrDrive = u"（あるいはドライブ名）";
constexpr std::u16string_view kSlashAfter = u"の後ろに \"/\"";
constexpr std::u16string_view kOrBackslash = u" か \"\\\"";
constexpr std::u16string_view kNeeded = u" が必要です。";
constexpr std::u16string_view kNeedsSchemeAndServer = u"絶対パスの先頭にプロトコル名とサーバ名";  // 306: + [kOrDrive] + kNeeded306
constexpr std::u16string_view kNeeded306 = u"が必要です。";
constexpr std::u16string_view kBadScheme = u"プロトコル名が不正です。";
constexpr std::u16string_view kMistypedScheme = u"プロトコル名が http または https の書き誤りと思われます。";
constexpr std::u16string_view kBadRefresh = u"content 属性値の記述が不正です。";
constexpr std::u16string_view kMailtoNeedsAddress = u"\"mailto:\" の後にはメールアドレスが必要です。";
constexpr std::u16string_view kAddressNeedsMailto = u"メールアドレスの前に \"mailto:\" が必要です。";
constexpr std::u16string_view kResolveFailed = u"相対リンクの解決に失敗しました。";
constexpr std::u16string_view kValueUninterpretable = u"属性値の解釈に失敗しました。";
constexpr std::u16string_view kBaseHrefFailed = u"属性値の解釈に失敗しました";  // 399, no final "。"

// Attribute level: target verification.
constexpr std::u16string_view kTargetMissing = u"リンク先のファイルが見つかりません。";
constexpr std::u16string_view kNoDefaultDocument1 = u"デフォルト ドキュメントが見つからないため、";
constexpr std::u16string_view kNoDefaultDocument2 = u"ディレクトリを参照しています。";
constexpr std::u16string_view kCaseMismatch = u"ファイル名の大文字／小文字が一致しません。";
constexpr std::u16string_view kNotHtmlTarget = u"リンク先は HTML ファイルでないため、";
constexpr std::u16string_view kUnreadableTarget = u"リンク先ファイルの読み出しに失敗しているため、";
constexpr std::u16string_view kUnparsableTarget = u"リンク先ファイルの HTML 解釈に失敗しているため、";
constexpr std::u16string_view kCannotSearchAnchor = u"アンカーを探せません。";
constexpr std::u16string_view kFileItselfReached = u"（ファイル自体へはリンクできています。）";
constexpr std::u16string_view kAnchorOnBareDirectory1 = u"デフォルト ドキュメントが無いディレクトリに対して、";
constexpr std::u16string_view kAnchorOnBareDirectory2 = u"アンカーを指定しています。";
constexpr std::u16string_view kTrailingSeparator = u"ファイル名の末尾にディレクトリ区切り記号がついています。";
constexpr std::u16string_view kAnchorMissing = u"指定されたアンカーが見つかりません。";
constexpr std::u16string_view kFileExists = u"（ファイルは存在します。）";
constexpr std::u16string_view kAnchorDuplicated1 = u"このアンカーは、";
constexpr std::u16string_view kInThisPage = u"このページ内で";
constexpr std::u16string_view kInTargetFile = u"リンク先ファイルで";
constexpr std::u16string_view kAnchorDuplicated2 = u"重複定義されています。";
constexpr std::u16string_view kTargetIgnored = u"リンク先ファイルは、無視するよう設定されています。";
constexpr std::u16string_view kNoSeparatorBeforeHash1 = u"ディレクトリ名と \"#\" の間に";
constexpr std::u16string_view kNoSeparatorBeforeHash2 = u"ディレクトリ区切り記号がありません。";
constexpr std::u16string_view kOutsideBaseDir1 = u"基準ディレクトリより上にあるファイルなので、";
constexpr std::u16string_view kOutsideBaseDir2 = u"アンカーの有無は検証されていません。";
constexpr std::u16string_view kVerifyFailed = u"未知のエラーにより、リンク先の検証に失敗しました。";
constexpr std::u16string_view kInUnsearched =
    u"リンク先は検索できなかったディレクトリの中にあるため、検証できません。";

// Attribute level: anchor definitions.
constexpr std::u16string_view kAnchorDefinedAt1 = u"このアンカーは既に ";  // 1 line 2
constexpr std::u16string_view kAnchorDefinedAt2 = u" 行目で定義されています。";
constexpr std::u16string_view kAnchorInvalidChars = u"アンカー名に不正な文字が含まれています。";
constexpr std::u16string_view kAnchorEmpty = u"アンカー名が空です。";
constexpr std::u16string_view kAnchorUnlinked = u"このアンカーは、どこからもリンクされていません。";

// Notes of the log.
constexpr std::u16string_view kNoteCancelled = u"途中キャンセルされたため、未チェック。";
constexpr std::u16string_view kNoteRemote = u"リモートへのリンク。";
}  // namespace msg

}  // namespace HtmlLink
