#pragma once
// The per-user settings store: string values under
// HKEY_CURRENT_USER\<root>\<application>\<section>. The root is where programs built with the
// Visual Basic runtime's SaveSetting keep theirs, and where earlier copies of this program kept
// the user's choices: a new copy finds them there.
#include <optional>
#include <string>

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

// The help viewer's "Show at Startup", kept as "showHelp" in the section "Settings": the viewer
// opens at every start while it holds exactly "1" (as when it was never saved).
bool helpShownAtStart(const SettingsStore& settings, const std::string& product);
// The box's state it asks for (0 cleared, 1 checked, 2 greyed), read as a 16-bit number the way
// the setting has always been read: surrounding spaces, leading zeros and a fraction (halves go to
// the even neighbour) are allowed. Empty when it holds no such number, or one outside 0 to 2.
std::optional<int> readShowAtStartup(const SettingsStore& settings, const std::string& product);
std::optional<int> showAtStartupOf(const std::string& stored);
void saveShowAtStartup(const SettingsStore& settings, const std::string& product, int state);

}  // namespace vk
