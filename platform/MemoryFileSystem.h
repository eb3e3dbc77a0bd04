#pragma once
// A file system held in memory, for tests: entries can carry hidden and system attributes, and
// reads or listings can be made to fail.
#include <memory>

#include "platform/FileSystem.h"

namespace platform {

class MemoryFileSystem final : public FileSystem {
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;

    // Adds (or replaces) a file; missing directories are created on the way.
    void AddFile(std::u16string_view path, std::string_view bytes, std::uint8_t attributes = 0);
    // Adds a directory and its missing parents.
    void AddDirectory(std::u16string_view path, std::uint8_t attributes = 0);
    // Makes reading this file fail (it still lists and stats).
    void FailReads(std::u16string_view path);
    // Makes listing this directory fail as a directory without permission does.
    void FailList(std::u16string_view path);
    // Removes an entry with everything below it. False when it does not exist.
    bool RemoveEntry(std::u16string_view path);
    // The bytes of a file, or nothing when it does not exist.
    bool Contents(std::u16string_view path, std::string& out) const;

    ListResult List(std::u16string_view listing, std::uint8_t mask,
                    std::vector<DirEntry>& out) override;
    bool Stat(std::u16string_view path, DirEntry& out) override;
    bool ReadFile(std::u16string_view path, std::string& out) override;
    bool WriteFile(std::u16string_view path, std::string_view bytes, bool append) override;
    bool Replace(std::u16string_view from, std::u16string_view to) override;
    bool Remove(std::u16string_view path) override;
    std::string DirectoryIdentity(std::u16string_view path) override;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

}  // namespace platform
