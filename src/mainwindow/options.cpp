#include "mainwindow/options.h"

#include "platform/parse.h"
#include "platform/settings.h"

namespace vk {
namespace {

constexpr char kSection[] = "Settings";

bool flagOf(const SettingsStore& settings, const std::string& product, const char* key, bool fallback) {
    return parseSwitch(settings.get(product, kSection, key, "")).value_or(fallback);
}

}  // namespace

Options readOptions(const SettingsStore& settings, const std::string& product) {
    Options options;
    options.lockAfterMinutes =
        parseLockMinutes(settings.get(product, kSection, "lockAfterMinutes", "")).value_or(options.lockAfterMinutes);
    options.lockOnSessionLock = flagOf(settings, product, "lockOnSessionLock", options.lockOnSessionLock);
    options.lockWhenMinimised = flagOf(settings, product, "lockWhenMinimised", options.lockWhenMinimised);
    options.showPasswords = flagOf(settings, product, "showPasswords", options.showPasswords);
    options.versionsKept =
        parseVersionsKept(settings.get(product, kSection, "versionsKept", "")).value_or(options.versionsKept);
    return options;
}

void saveOptions(const SettingsStore& settings, const std::string& product, const Options& options) {
    settings.save(product, kSection, "lockAfterMinutes", std::to_string(options.lockAfterMinutes));
    settings.save(product, kSection, "lockOnSessionLock", options.lockOnSessionLock ? "1" : "0");
    settings.save(product, kSection, "lockWhenMinimised", options.lockWhenMinimised ? "1" : "0");
    settings.save(product, kSection, "showPasswords", options.showPasswords ? "1" : "0");
    settings.save(product, kSection, "versionsKept", std::to_string(options.versionsKept));
}

std::optional<int> parseLockMinutes(std::string_view typed) {
    return parseWholeNumber(typed, 0, Options::kMostLockMinutes);
}

std::optional<int> parseVersionsKept(std::string_view typed) {
    return parseWholeNumber(typed, 0, Options::kMostVersionsKept);
}

}  // namespace vk
