#pragma once
// The per-user settings store: string values under
// HKEY_CURRENT_USER\<root>\<application>\<section>. The root is where programs built with the
// Visual Basic runtime's SaveSetting keep theirs, and where earlier copies of this program kept
// the user's choices: a new copy finds them there.
#include <optional>
#include <string>
#include <string_view>

namespace vk {

inline constexpr const char* kSettingsRoot = "Software\\VB and VBA Program Settings";

struct SettingsStore {
    std::string root = kSettingsRoot;

    // The stored text (a number stored as a number: its digits), or `fallback` when the value is
    // absent or cannot be read.
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& fallback) const;
    // False when the store refused the value.
    bool save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) const;
};

// A stored on/off value: "1" or "0", spaces around it ignored; nothing when it says neither.
std::optional<bool> parseSwitch(std::string_view text);

}  // namespace vk
