#include "platform/settings.h"

#include <windows.h>

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

std::optional<bool> parseSwitch(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

}  // namespace vk
