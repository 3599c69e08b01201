#pragma once
// A folder of its own for one native test, removed with everything in it afterwards.
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace vk::vault {

class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("vk-vault-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        std::filesystem::create_directory(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace vk::vault
