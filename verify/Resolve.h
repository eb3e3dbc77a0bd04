#pragma once
// Link resolution and URL syntax checks: the base context of a file, the BASE href check and
// the resolution of every other link-bearing attribute.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/HtmlLink.h"
#include "settings/Settings.h"

namespace HtmlLink {

// Reference kinds 0..7 (0 not interpretable, 1 local full path, 2 file URL with a local path,
// 3 URL with '//', 4 absolute path, 5 relative, 6 scheme without slashes, 7 empty).
std::uint8_t ClassifyReference(std::u16string_view value);
// 0 acceptable, 1 backslash not allowed, 2 backslash and slash mixed.
std::uint8_t CheckSeparators(std::u16string_view value, const CheckSet& set);
bool IsLocalFullPath(std::u16string_view value);
bool IsMailAddress(std::u16string_view value);
// The head SplitPath gives for the path; empty on failure.
std::u16string RootOf(std::u16string_view path);

// Checks the href (attribute `attr_index`) of a BASE tag; sets its Code and Target, adds
// warnings, returns the code (300..308, 399).
std::int32_t CheckBaseHref(TagEntry& tag, std::int32_t attr_index, const CheckSet& set);

struct BaseContext {
    std::uint8_t BaseKind = 0;  // 0 no usable base, 1 local, 2 remote
    std::u16string BasePath;
    std::u16string BaseRoot;
    std::u16string BaseDir;
    bool UrlMapped = false;
    std::u16string BaseHead;
    std::vector<std::u16string> BaseParts;
};

// Completes the context once BaseKind and BasePath are set: BaseRoot (`base_url_head` when no
// BASE tag was used), BaseDir, UrlMapped, BaseHead and BaseParts.
void CompleteBaseContext(BaseContext& base, bool base_tag_used, std::u16string_view base_url_head,
                         const CheckSet& set);

// Resolves one link attribute of a tag other than BASE; sets Code and Target, adds warnings,
// returns the code.
std::int32_t ResolveLink(FileEntry& file, std::int32_t tag_index, std::int32_t attr_index,
                         const BaseContext& base, const CheckSet& set);

}  // namespace HtmlLink
