#include "vault/entry_filter.h"

#include <algorithm>

#include "platform/wipe.h"

namespace vk::vault {

namespace {

// Whether `word` (folded) lies in `text` (as it is), each byte of the text folded as it is read:
// no folded copy is made, and no call is made for the few bytes of a field.
bool containsFolded(std::string_view text, std::string_view word, const std::array<char, 256>& lower) {
    if (word.size() > text.size()) return false;
    const char first = word[0];
    const size_t last = text.size() - word.size();
    for (size_t i = 0; i <= last; ++i) {
        if (lower[static_cast<unsigned char>(text[i])] != first) continue;
        size_t k = 1;
        while (k < word.size() && lower[static_cast<unsigned char>(text[i + k])] == word[k]) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

}  // namespace

EntryFilter::EntryFilter(std::string_view typed, CaseFolding folding, bool typable) : folding_(folding) {
    if (!typable) {
        matchesNothing_ = true;
        return;
    }
    while (!typed.empty()) {
        const size_t space = typed.find(' ');
        const std::string_view word = typed.substr(0, space);
        typed.remove_prefix(space == std::string_view::npos ? typed.size() : space + 1);
        if (word.empty()) continue;
        std::string folded;
        if (folding_.table)
            for (char c : word) folded += (*folding_.table)[static_cast<unsigned char>(c)];
        else
            folding_.fold(word, folded);
        if (std::find(words_.begin(), words_.end(), folded) == words_.end()) words_.push_back(std::move(folded));
    }
}

EntryFilter& EntryFilter::operator=(EntryFilter other) noexcept {
    std::swap(folding_, other.folding_);
    words_.swap(other.words_);
    std::swap(matchesNothing_, other.matchesNothing_);
    searched_.swap(other.searched_);
    return *this;
}

EntryFilter::~EntryFilter() {
    for (std::string& word : words_) wipeSecret(word);
    wipeSecret(searched_);
}

bool EntryFilter::matches(EntryView entry) const {
    if (matchesNothing_) return false;
    if (words_.empty()) return true;
    if (!folding_.table) {
        searched_.clear();
        folding_.fold(entry.username, searched_);
        // No word holds a NUL: none is found across the two fields.
        searched_.push_back('\0');
        folding_.fold(entry.location, searched_);
    }
    return std::all_of(words_.begin(), words_.end(), [&](const std::string& word) { return found(word, entry); });
}

bool EntryFilter::found(std::string_view word, EntryView entry) const {
    if (!folding_.table) return searched_.find(word) != std::string::npos;
    const auto& lower = *folding_.table;
    return containsFolded(entry.username, word, lower) || containsFolded(entry.location, word, lower);
}

bool EntryFilter::narrows(const EntryFilter& wider) const {
    if (matchesNothing_) return true;
    if (wider.matchesNothing_) return false;
    return std::all_of(wider.words_.begin(), wider.words_.end(), [this](const std::string& widerWord) {
        return std::any_of(words_.begin(), words_.end(),
                           [&](const std::string& word) { return word.find(widerWord) != std::string::npos; });
    });
}

bool collectShownRows(const EntryList& entries, const EntryFilter& filter, const std::vector<EntryId>& kept,
                      const ShownRows* among, ShownRows& rows, const std::function<bool()>& stop) {
    auto shown = [&](EntryView entry, EntryId id) {
        return filter.matches(entry) || std::binary_search(kept.begin(), kept.end(), id);
    };
    return entries.choose(shown, among, rows, stop);
}

}  // namespace vk::vault
