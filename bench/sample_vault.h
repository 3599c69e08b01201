#pragma once
// A vault of realistic entries for the benchmarks: names, passwords and addresses of the sizes
// people use, the same on every run.
#include <cstdint>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/vault_format.h"

namespace vk::bench {

inline constexpr size_t kBenchEntries = 32766;

class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t below(size_t n) { return next() % n; }

private:
    std::uint32_t state_;
};

inline std::vector<vault::Entry> sampleEntries(size_t count) {
    static const char* const kFirst[] = {"alice", "bob", "carol", "dave", "erin", "frank", "grace", "heidi",
                                         "ivan", "judy", "mallory", "niaj", "olivia", "peggy", "rupert", "sybil"};
    static const char* const kLast[] = {"martin", "okafor", "nguyen", "schmidt", "rossi", "tanaka", "silva",
                                        "kowalski", "dubois", "ahmed", "larsen", "garcia"};
    static const char* const kSites[] = {"mail", "bank", "shop", "forum", "news", "cloud", "travel", "games",
                                         "music", "school", "work", "photos"};
    static const char* const kTlds[] = {".com", ".org", ".net", ".example", ".co.uk", ".edu"};
    static const char kPasswordChars[] =
        "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!#$%&*+-=?@^_~";
    Random random(20261207);
    std::vector<vault::Entry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        vault::Entry entry;
        entry.username = std::string(kFirst[random.below(16)]) + "." + kLast[random.below(12)];
        if (random.below(2)) entry.username += std::to_string(random.below(1000));
        size_t length = 10 + random.below(11);
        for (size_t c = 0; c < length; ++c) entry.password += kPasswordChars[random.below(sizeof kPasswordChars - 1)];
        if (random.below(10) != 0) {
            entry.location = std::string("www.") + kSites[random.below(12)] + std::to_string(random.below(500)) +
                             kTlds[random.below(6)];
            if (random.below(3) == 0) entry.location += "/login";
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

inline std::string sampleVault(const std::string& master, size_t count) {
    std::vector<vault::Entry> entries = sampleEntries(count);
    vault::SavedVaultBuilder builder(master, entries.size());
    for (const auto& entry : entries) builder.add(entry);
    return builder.finish();
}

}  // namespace vk::bench
