#include "vault/vault_versions.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "vault/vault_store.h"

namespace vk::vault {
namespace {

constexpr std::string_view kFolderSuffix = ".versions";
constexpr std::string_view kTimeZone = " UTC";
constexpr std::string_view kExtension = ".enc";

Path pathOf(std::string_view ascii) { return Path(ascii.begin(), ascii.end()); }

Path joined(const Path& folder, const Path& name) {
    Path path = folder;
    path += kPathSeparator;
    return path + name;
}

// The text of a name made only of ASCII characters; false for any other.
bool asciiOf(const Path& name, std::string& text) {
    text.clear();
    for (auto c : name) {
        if (c < 0x20 || c > 0x7E) return false;
        text.push_back(static_cast<char>(c));
    }
    return true;
}

// Reads `count` digits at `at`, moving on; false when they are not all digits.
bool readNumber(std::string_view text, size_t& at, size_t count, int& number) {
    if (at + count > text.size()) return false;
    number = 0;
    for (size_t end = at + count; at < end; ++at) {
        if (text[at] < '0' || text[at] > '9') return false;
        number = number * 10 + (text[at] - '0');
    }
    return true;
}

bool readChar(std::string_view text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

Path versionsFolderFor(const Path& vaultFile) { return vaultFile + pathOf(kFolderSuffix); }

Path versionFileName(Seconds keptAt, unsigned sequence) {
    using namespace std::chrono;
    const sys_seconds time{seconds{keptAt}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d-%02d-%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    std::string name = text;
    name += kTimeZone;
    if (sequence > 1) name += " (" + std::to_string(sequence) + ")";
    name += kExtension;
    return pathOf(name);
}

bool parseVersionFileName(const Path& name, Seconds& keptAt, unsigned& sequence) {
    std::string text;
    if (!asciiOf(name, text)) return false;
    size_t at = 0;
    int year, month, day, hour, minute, second;
    if (!(readNumber(text, at, 4, year) && readChar(text, at, '-') && readNumber(text, at, 2, month) &&
          readChar(text, at, '-') && readNumber(text, at, 2, day) && readChar(text, at, ' ') &&
          readNumber(text, at, 2, hour) && readChar(text, at, '-') && readNumber(text, at, 2, minute) &&
          readChar(text, at, '-') && readNumber(text, at, 2, second)))
        return false;
    std::string_view rest = std::string_view(text).substr(at);
    if (!rest.starts_with(kTimeZone) || !rest.ends_with(kExtension)) return false;
    rest = rest.substr(kTimeZone.size(), rest.size() - kTimeZone.size() - kExtension.size());
    sequence = 1;
    if (!rest.empty()) {
        if (rest.size() < 4 || !rest.starts_with(" (") || !rest.ends_with(")")) return false;
        std::string_view digits = rest.substr(2, rest.size() - 3);
        size_t start = 0;
        int number = 0;
        if (digits.size() > 6 || !readNumber(digits, start, digits.size(), number) || number < 2) return false;
        sequence = static_cast<unsigned>(number);
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return false;
    keptAt = (sys_days{date}.time_since_epoch() / std::chrono::seconds{1}) + hour * 3600 + minute * 60 + second;
    return true;
}

IoResult VaultVersions::list(const Path& folder, std::vector<KeptVersion>& versions) {
    versions.clear();
    std::vector<Path> names;
    if (IoResult listed = files_.filesIn(folder, names); listed.failed()) return listed;
    for (const Path& name : names) {
        KeptVersion version;
        if (parseVersionFileName(name, version.keptAt, version.sequence)) {
            version.path = joined(folder, name);
            versions.push_back(std::move(version));
        }
    }
    std::sort(versions.begin(), versions.end(), [](const KeptVersion& a, const KeptVersion& b) {
        return a.keptAt != b.keptAt ? a.keptAt > b.keptAt : a.sequence > b.sequence;
    });
    return IoResult::success();
}

bool VaultVersions::madeHere(const Path& path) const {
    return std::find(madeHere_.begin(), madeHere_.end(), path) != madeHere_.end();
}

bool VaultVersions::due(const std::vector<KeptVersion>& versions, Seconds now) const {
    if (versions.empty()) return true;
    const KeptVersion& newest = versions.front();
    // A clock set back leaves a newest version "in the future": older than an hour for this rule.
    return !madeHere(newest.path) || now - newest.keptAt >= kSessionInterval || now < newest.keptAt;
}

void VaultVersions::removeLeftovers(const Path& folder) {
    std::vector<Path> names;
    if (files_.filesIn(folder, names).failed()) return;
    const Path suffix = temporaryPathFor(Path());
    for (const Path& name : names) {
        Seconds keptAt = 0;
        unsigned sequence = 0;
        if (name.ends_with(suffix) && parseVersionFileName(name.substr(0, name.size() - suffix.size()), keptAt, sequence))
            (void)files_.remove(joined(folder, name));  // a copy of the vault, which is there
    }
}

IoResult VaultVersions::keep(const Path& vaultFile, const Path& folder, Seconds now, int count, bool& kept) {
    kept = false;
    if (count <= 0) return keepNewest(folder, 0);
    if (IoResult made = files_.makeFolder(folder); made.failed()) return made;
    removeLeftovers(folder);
    std::vector<KeptVersion> versions;
    if (IoResult listed = list(folder, versions); listed.failed()) return listed;
    unsigned sequence = 1;
    for (const KeptVersion& version : versions)
        if (version.keptAt == now) sequence = std::max(sequence, version.sequence + 1);
    const Path path = joined(folder, versionFileName(now, sequence));
    IoResult copied = files_.replaceAtomically(
        path, temporaryPathFor(path), [&](const PieceWriter& write) { return files_.readPieces(vaultFile, write); },
        TemporaryCopy::RemovedIfKilled);
    if (copied.failed()) return copied;
    kept = true;
    madeHere_.push_back(path);
    return keepNewest(folder, count);
}

IoResult VaultVersions::keepNewest(const Path& folder, int count) {
    std::vector<KeptVersion> versions;
    if (IoResult listed = list(folder, versions); listed.failed()) return listed;
    IoResult result;
    for (size_t i = static_cast<size_t>(std::max(count, 0)); i < versions.size(); ++i)
        if (IoResult removed = files_.remove(versions[i].path); removed.failed() && result.succeeded())
            result = removed;
    return result;
}

IoResult VaultVersions::rewrite(const Path& version, const ContentSource& content) {
    return files_.replaceAtomically(version, temporaryPathFor(version), content, TemporaryCopy::RemovedIfKilled);
}

}  // namespace vk::vault
