#pragma once
// Link resolution and URL syntax checks: the base context of a file, the BASE href check and
// the resolution of every other link-bearing attribute. The check set comes as an argument, so
// nothing here depends on process-wide state.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Codes.h"
#include "engine/HtmlLink.h"
#include "lib/VornFilePath.h"
#include "settings/Settings.h"

namespace HtmlLink {

// The kind of reference the value is by its syntax; kNotInterpretable on failure.
ReferenceKind ClassifyReference(std::u16string_view value) noexcept;
// 0 acceptable, 1 backslash not allowed, 2 backslash and slash mixed; 0 on failure.
std::uint8_t CheckSeparators(std::u16string_view value, const CheckSet& set) noexcept;
// '\\' and a letter, or a letter and ':'.
bool IsLocalFullPath(std::u16string_view value) noexcept;
// A text with '@' whose part from the '@' (before any '?') is a host name; false on failure.
bool IsMailAddress(std::u16string_view value) noexcept;
// The head SplitPath gives for the path; empty for an empty path or on failure.
std::u16string RootOf(std::u16string_view path) noexcept;

// Checks the href (attribute `attr_index`) of a BASE tag; sets its Code and Target, adds
// warnings, returns the code: 300 or 301 when usable as base, 302..308 otherwise, 399 (with its
// warning) on failure.
std::int32_t CheckBaseHref(TagEntry& tag, std::int32_t attr_index, const CheckSet& set) noexcept;

struct BaseContext {
    std::uint8_t BaseKind = 0;  // 0 no usable base, 1 local, 2 remote
    std::u16string BasePath;
    std::u16string BaseRoot;  // head for absolute paths; may be empty
    std::u16string BaseDir;   // BasePath without its last name, ending with its separator
    bool UrlMapped = false;   // base inside LocalPath and the check set has a Url
    std::u16string BaseHead;  // head and directory pieces for '../', in URL form when mapped
    std::vector<std::u16string> BaseParts;
    VornFilePath::RelativeBase Relative;  // BaseHead and BaseParts, cut once for every link
};

// Completes the context once BaseKind and BasePath are set: BaseRoot (RootOf the base when a
// BASE href gave it, else `base_url_head`), BaseDir, UrlMapped, BaseHead and BaseParts. Does
// nothing for BaseKind 0. On failure the context falls back to BaseKind 0.
void CompleteBaseContext(BaseContext& base, bool base_tag_used, std::u16string_view base_url_head,
                         const CheckSet& set) noexcept;

// Targets of one file's links, kept until all are resolved and then stored together
// (TableText::AssignEach): each is looked up in tables far larger than the processor's cache,
// and the look-ups of a batch overlap. The attributes must stay where they are until then.
class PendingTargets {
public:
    // Stores the batch once it is full.
    void Add(AttrEntry& attr, std::u16string_view target);
    // Assigns every pending target (AssignKnown) and empties the batch.
    void Store();
    // Forgets the pending targets, for attributes that are about to go.
    void Clear() noexcept;

private:
    static constexpr std::size_t kBatch = 1024;
    static constexpr std::size_t kKeptText = std::size_t{1} << 16;  // characters
    struct Entry {
        AttrEntry* attr;
        std::size_t from;
        std::size_t size;
    };
    std::u16string texts_;
    std::vector<Entry> entries_;
    std::vector<TableText::Assignment> batch_;
};

// Resolves one link attribute of a tag other than BASE; sets Code and Target, adds warnings,
// returns the code (-1 for the free slot of an empty list, 999 with its warning on failure).
// With `later`, a resolved target is left there to be stored (the Target is set when `later`
// stores it).
std::int32_t ResolveLink(FileEntry& file, std::int32_t tag_index, std::int32_t attr_index,
                         const BaseContext& base, const CheckSet& set,
                         PendingTargets* later = nullptr) noexcept;

}  // namespace HtmlLink
