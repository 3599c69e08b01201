#include "mainwindow/options.h"

#include "platform/settings.h"

namespace vk {
namespace {

constexpr char kSection[] = "Settings";

bool flagOf(const SettingsStore& settings, const std::string& product, const char* key, bool fallback) {
    const std::string stored = settings.get(product, kSection, key, "");
    if (stored == "1") return true;
    if (stored == "0") return false;
    return fallback;
}

// A whole number of at most `most`, written plainly; nothing else.
bool parseNumber(const std::string& text, int most, int& number) {
    if (text.empty() || text.size() > 6) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > most) return false;
    number = value;
    return true;
}

}  // namespace

Options readOptions(const SettingsStore& settings, const std::string& product) {
    Options options;
    int minutes = 0;
    if (parseLockMinutes(settings.get(product, kSection, "lockAfterMinutes", ""), minutes))
        options.lockAfterMinutes = minutes;
    options.lockOnSessionLock = flagOf(settings, product, "lockOnSessionLock", options.lockOnSessionLock);
    options.lockWhenMinimised = flagOf(settings, product, "lockWhenMinimised", options.lockWhenMinimised);
    options.showPasswords = flagOf(settings, product, "showPasswords", options.showPasswords);
    return options;
}

void saveOptions(const SettingsStore& settings, const std::string& product, const Options& options) {
    settings.save(product, kSection, "lockAfterMinutes", std::to_string(options.lockAfterMinutes));
    settings.save(product, kSection, "lockOnSessionLock", options.lockOnSessionLock ? "1" : "0");
    settings.save(product, kSection, "lockWhenMinimised", options.lockWhenMinimised ? "1" : "0");
    settings.save(product, kSection, "showPasswords", options.showPasswords ? "1" : "0");
}

bool parseLockMinutes(const std::string& typed, int& minutes) {
    return parseNumber(typed, Options::kMostLockMinutes, minutes);
}

}  // namespace vk
