#pragma once
// A file system that hands every call to another; tests derive from it to watch or hold the
// few calls they care about.
#include "platform/FileSystem.h"

namespace testutil {

class ForwardingFileSystem : public platform::FileSystem {
public:
    explicit ForwardingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    platform::ListResult List(std::u16string_view listing, std::uint8_t mask,
                              std::vector<platform::DirEntry>& out) override {
        return inner_.List(listing, mask, out);
    }
    bool Stat(std::u16string_view path, platform::DirEntry& out) override {
        return inner_.Stat(path, out);
    }
    bool ReadFile(std::u16string_view path, std::string& out) override {
        return inner_.ReadFile(path, out);
    }
    bool ReadListedFile(std::u16string_view path, std::string& out) override {
        return inner_.ReadListedFile(path, out);
    }
    bool Prefetch(std::u16string_view path) override { return inner_.Prefetch(path); }
    bool WriteFile(std::u16string_view path, std::string_view bytes, bool append) override {
        return inner_.WriteFile(path, bytes, append);
    }
    bool Replace(std::u16string_view from, std::u16string_view to) override {
        return inner_.Replace(from, to);
    }
    bool Remove(std::u16string_view path) override { return inner_.Remove(path); }
    std::string DirectoryIdentity(std::u16string_view path) override {
        return inner_.DirectoryIdentity(path);
    }
    bool IsWithin(std::u16string_view path, std::u16string_view directory) override {
        return inner_.IsWithin(path, directory);
    }

protected:
    platform::FileSystem& inner_;
};

}  // namespace testutil
