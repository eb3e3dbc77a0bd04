#pragma once
// A real temporary directory for tests, removed with everything in it when the test ends.
#include <string>

namespace testutil {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Host() const { return host_; }  // '/tmp/mokuroku-XXXXXX'
    std::u16string Drive() const;                       // 'C:\tmp\mokuroku-XXXXXX\'
    // Writes a file below the directory (parents created); `relative` uses '/'.
    void Write(const std::string& relative, const std::string& bytes) const;
    void MakeDir(const std::string& relative) const;

private:
    std::string host_;
};

// True when the process can read and write everything regardless of permissions (root), so a
// permission test would prove nothing.
bool RunsAsRoot();

}  // namespace testutil
