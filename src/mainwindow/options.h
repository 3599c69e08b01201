#pragma once
// The user's options: when the open vault locks itself, whether the list shows passwords, and how
// many earlier versions of the vault its saves keep. They
// are kept in the settings store beside "showHelp"; a missing or unreadable value means its default.
#include <optional>
#include <string>
#include <string_view>

namespace vk {

struct SettingsStore;

struct Options {
    static constexpr int kMostLockMinutes = 1440;  // a day
    static constexpr int kMostVersionsKept = 100;

    int lockAfterMinutes = 5;  // without keyboard or mouse input; 0: never
    bool lockOnSessionLock = true;  // when Windows locks the session or goes to sleep
    bool lockWhenMinimised = false;
    bool showPasswords = true;  // off: the list shows a row of dots in their place
    int versionsKept = 10;      // 0: none

    friend bool operator==(const Options&, const Options&) = default;
};

Options readOptions(const SettingsStore& settings, const std::string& product);
void saveOptions(const SettingsStore& settings, const std::string& product, const Options& options);

// The minutes as typed, when they are a whole number from 0 to kMostLockMinutes.
std::optional<int> parseLockMinutes(std::string_view typed);
// The number of versions as typed, when it is a whole number from 0 to kMostVersionsKept.
std::optional<int> parseVersionsKept(std::string_view typed);

}  // namespace vk
