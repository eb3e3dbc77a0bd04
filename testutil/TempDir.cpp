#include "testutil/TempDir.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/HostPath.h"

namespace testutil {

TempDir::TempDir() {
    const char* t = std::getenv("TMPDIR");
    std::string tmpl = std::string(t && *t ? t : "/tmp") + "/mokuroku-XXXXXX";
    if (::mkdtemp(tmpl.data())) host_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!host_.empty()) {
        // Give back permissions a test took away, or the removal fails.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 host_, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        }
        std::filesystem::permissions(host_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(host_, ec);
    }
}

std::u16string TempDir::Drive() const { return platform::HostToDrive(host_ + "/"); }

void TempDir::Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path p = std::filesystem::path(host_) / relative;
    std::error_code ec;
    std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::MakeDir(const std::string& relative) const {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(host_) / relative, ec);
}

bool RunsAsRoot() { return ::geteuid() == 0; }

}  // namespace testutil
