#include "platform/settings.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>

#include "platform/handles.h"

namespace vk {
namespace {

std::string keyPath(const std::string& root, const std::string& app, const std::string& section) {
    return root + "\\" + app + "\\" + section;
}

}  // namespace

std::string SettingsStore::get(const std::string& app, const std::string& section, const std::string& key,
                               const std::string& fallback) const {
    RegKey hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath(root, app, section).c_str(), 0, KEY_QUERY_VALUE,
                      hkey.put()) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(hkey.get(), key.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return fallback;
    if (type == REG_DWORD) {
        DWORD number = 0;
        size = sizeof number;
        if (RegQueryValueExA(hkey.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) !=
            ERROR_SUCCESS)
            return fallback;
        return std::to_string(number);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
    std::string value(size, '\0');
    if (RegQueryValueExA(hkey.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &size) != ERROR_SUCCESS)
        return fallback;
    value.resize(size);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

bool SettingsStore::save(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& value) const {
    RegKey hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath(root, app, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, hkey.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(hkey.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

namespace {

constexpr char kSettingsSection[] = "Settings";
constexpr char kShowHelp[] = "showHelp";

}  // namespace

bool helpShownAtStart(const SettingsStore& settings, const std::string& product) {
    return settings.get(product, kSettingsSection, kShowHelp, "1") == "1";
}

std::optional<int> readShowAtStartup(const SettingsStore& settings, const std::string& product) {
    return showAtStartupOf(settings.get(product, kSettingsSection, kShowHelp, "1"));
}

std::optional<int> showAtStartupOf(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos) return std::nullopt;
    std::string number = text.substr(begin, end - begin + 1);
    if (number.find_first_not_of("+-.0123456789") != std::string::npos) return std::nullopt;
    char* stop = nullptr;
    double value = std::strtod(number.c_str(), &stop);
    if (stop != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
    // Halves go to the even neighbour, as an integer conversion of the setting always did.
    double rounded = std::nearbyint(value);
    if (rounded < 0 || rounded > 2) return std::nullopt;
    return static_cast<int>(rounded);
}

void saveShowAtStartup(const SettingsStore& settings, const std::string& product, int state) {
    settings.save(product, kSettingsSection, kShowHelp, std::to_string(state));
}

}  // namespace vk
