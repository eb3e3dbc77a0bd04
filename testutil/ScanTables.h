#pragma once
// Builders of scan tables for tests that start after the scan: a run's results written by hand.
#include <string>
#include <utility>
#include <vector>

#include "engine/HtmlLink.h"

namespace testutil {

inline HtmlLink::AttrEntry Attr(std::u16string name, std::u16string value, std::u16string target,
                                int line, int code, HtmlLink::WarningList warnings = {}) {
    HtmlLink::AttrEntry a;
    a.Name = std::move(name);
    a.Value = std::move(value);
    a.Target = std::move(target);
    a.ValueLine = line;
    a.Code = code;
    a.Warnings = std::move(warnings);
    return a;
}

inline HtmlLink::TagEntry Tag(std::u16string name, int line,
                              std::vector<HtmlLink::AttrEntry> attrs,
                              HtmlLink::WarningList warnings = {}) {
    HtmlLink::TagEntry t;
    t.Name = std::move(name);
    t.Line = line;
    t.Attrs.reserve(attrs.size());
    for (HtmlLink::AttrEntry& a : attrs) t.Attrs.push_back(std::move(a));
    t.Warnings = std::move(warnings);
    return t;
}

inline HtmlLink::FileEntry File(std::u16string path, int status, HtmlLink::WarningList warnings,
                                std::vector<HtmlLink::TagEntry> tags = {}) {
    HtmlLink::FileEntry f;
    f.Path = std::move(path);
    f.Status = status;
    f.Warnings = std::move(warnings);
    f.Tags = std::move(tags);
    return f;
}

}  // namespace testutil
