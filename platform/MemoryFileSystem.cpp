#include "platform/MemoryFileSystem.h"

#include <algorithm>

#include "platform/FileNameCompare.h"
#include "platform/HostPath.h"

namespace platform {

struct MemoryFileSystem::Node {
    std::u16string name;
    bool directory = false;
    std::uint8_t attributes = 0;
    std::string data;
    bool fail_read = false;
    bool fail_list = false;
    std::vector<std::unique_ptr<Node>> children;

    Node* Child(std::u16string_view n) const {
        Node* equal = nullptr;
        for (const auto& c : children) {
            if (c->name == n) return c.get();
            if (!equal && platform::SameFileName(c->name, n)) equal = c.get();
        }
        return equal;
    }
};

namespace {

using Node = MemoryFileSystem::Node;

bool Components(std::u16string_view path, std::vector<std::u16string>& parts) {
    bool absolute = false;
    if (!SplitDrivePath(path, parts, absolute)) return false;
    // There is no current directory here: relative paths start at the root.
    std::vector<std::u16string> out;
    for (auto& p : parts) {
        if (p == u".") continue;
        if (p == u"..") {
            if (!out.empty()) out.pop_back();
            continue;
        }
        out.push_back(std::move(p));
    }
    parts = std::move(out);
    return true;
}

void SortChildren(Node& n) {
    std::sort(n.children.begin(), n.children.end(), [](const auto& a, const auto& b) {
        const int c = platform::CompareFileNames(a->name, b->name);
        return c != 0 ? c < 0 : a->name < b->name;
    });
}

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != s.npos; }

}  // namespace

MemoryFileSystem::MemoryFileSystem() : root_(std::make_unique<Node>()) {
    root_->directory = true;
}

MemoryFileSystem::~MemoryFileSystem() = default;

static Node* Find(Node* root, std::u16string_view path) {
    std::vector<std::u16string> parts;
    if (!Components(path, parts)) return nullptr;
    Node* n = root;
    for (const auto& p : parts) {
        if (!n->directory) return nullptr;
        n = n->Child(p);
        if (!n) return nullptr;
    }
    return n;
}

static Node* Make(Node* root, std::u16string_view path, bool directory) {
    std::vector<std::u16string> parts;
    if (!Components(path, parts) || parts.empty()) return directory ? root : nullptr;
    Node* n = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        Node* c = n->Child(parts[i]);
        if (c && last && c->directory != directory) {
            n->children.erase(std::find_if(n->children.begin(), n->children.end(),
                                           [&](const auto& p) { return p.get() == c; }));
            c = nullptr;
        }
        if (!c) {
            auto made = std::make_unique<Node>();
            made->name = parts[i];
            made->directory = !last || directory;
            c = made.get();
            n->children.push_back(std::move(made));
            SortChildren(*n);
        }
        n = c;
    }
    return n;
}

void MemoryFileSystem::AddFile(std::u16string_view path, std::string_view bytes,
                               std::uint8_t attributes) {
    if (Node* n = Make(root_.get(), path, false)) {
        n->data = bytes;
        n->attributes = attributes & (kReadOnly | kHidden | kSystem);
    }
}

void MemoryFileSystem::AddDirectory(std::u16string_view path, std::uint8_t attributes) {
    if (Node* n = Make(root_.get(), path, true))
        n->attributes = attributes & (kReadOnly | kHidden | kSystem);
}

void MemoryFileSystem::FailReads(std::u16string_view path) {
    if (Node* n = Find(root_.get(), path)) n->fail_read = true;
}

void MemoryFileSystem::FailList(std::u16string_view path) {
    if (Node* n = Find(root_.get(), path)) n->fail_list = true;
}

bool MemoryFileSystem::RemoveEntry(std::u16string_view path) {
    std::vector<std::u16string> parts;
    if (!Components(path, parts) || parts.empty()) return false;
    const std::u16string name = parts.back();
    parts.pop_back();
    Node* parent = root_.get();
    for (const auto& p : parts) {
        parent = parent->Child(p);
        if (!parent) return false;
    }
    Node* n = parent->Child(name);
    if (!n) return false;
    parent->children.erase(std::find_if(parent->children.begin(), parent->children.end(),
                                        [&](const auto& p) { return p.get() == n; }));
    return true;
}

bool MemoryFileSystem::Contents(std::u16string_view path, std::string& out) const {
    Node* n = Find(root_.get(), path);
    if (!n || n->directory) return false;
    out = n->data;
    return true;
}

ListResult MemoryFileSystem::List(std::u16string_view listing, std::uint8_t mask,
                                  std::vector<DirEntry>& out) try {
    out.clear();
    std::u16string dir, wildcard;
    SplitListing(listing, dir, wildcard);
    if (HasWildcard(dir) || listing.find(u'\0') != listing.npos) return ListResult::InvalidName;
    Node* d = Find(root_.get(), dir.empty() ? u"\\" : dir);
    if (!d || !d->directory) return ListResult::PathNotFound;
    if (d->fail_list) return ListResult::Failed;
    for (const auto& c : d->children) {
        if (!MatchFileWildcard(c->name, wildcard)) continue;
        const std::uint8_t a = c->attributes | (c->directory ? kDirectory : 0);
        if ((a & kDirectory) && !(mask & kDirectory)) continue;
        if ((a & kHidden) && !(mask & kHidden)) continue;
        if ((a & kSystem) && !(mask & kSystem)) continue;
        out.push_back({c->name, a, c->directory ? 0 : static_cast<std::int64_t>(c->data.size())});
    }
    return ListResult::Ok;
} catch (...) {
    out.clear();
    return ListResult::Failed;
}

bool MemoryFileSystem::Stat(std::u16string_view path, DirEntry& out) try {
    Node* n = Find(root_.get(), path);
    if (!n) return false;
    out.Name = n->name;
    out.Attributes = n->attributes | (n->directory ? kDirectory : 0);
    out.Size = n->directory ? 0 : static_cast<std::int64_t>(n->data.size());
    return true;
} catch (...) {
    return false;
}

bool MemoryFileSystem::ReadFile(std::u16string_view path, std::string& out) try {
    out.clear();
    Node* n = Find(root_.get(), path);
    if (!n || n->directory || n->fail_read) return false;
    out = n->data;
    return true;
} catch (...) {
    out.clear();
    return false;
}

bool MemoryFileSystem::WriteFile(std::u16string_view path, std::string_view bytes,
                                 bool append) try {
    Node* n = Find(root_.get(), path);
    if (n && (n->directory || (n->attributes & kReadOnly))) return false;
    if (!n) {
        std::vector<std::u16string> parts;
        if (!Components(path, parts) || parts.empty()) return false;
        parts.pop_back();
        std::u16string dir = u"\\";
        for (const auto& p : parts) dir += p + u"\\";
        Node* d = Find(root_.get(), dir);
        if (!d || !d->directory || (d->attributes & kReadOnly)) return false;
        n = Make(root_.get(), path, false);
        if (!n) return false;
    }
    if (append) n->data.append(bytes);
    else n->data.assign(bytes);
    return true;
} catch (...) {
    return false;
}

bool MemoryFileSystem::Replace(std::u16string_view from, std::u16string_view to) try {
    Node* n = Find(root_.get(), from);
    if (!n || n->directory) return false;
    const std::string data = n->data;
    if (!WriteFile(to, data, false)) return false;
    return RemoveEntry(from);
} catch (...) {
    return false;
}

bool MemoryFileSystem::Remove(std::u16string_view path) {
    Node* n = Find(root_.get(), path);
    if (!n || n->directory) return false;
    return RemoveEntry(path);
}

std::string MemoryFileSystem::DirectoryIdentity(std::u16string_view path) {
    Node* n = Find(root_.get(), path);
    if (!n || !n->directory) return {};
    return std::to_string(reinterpret_cast<std::uintptr_t>(n));
}

}  // namespace platform
