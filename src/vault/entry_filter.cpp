#include "vault/entry_filter.h"

#include <algorithm>

#include "platform/wipe.h"

namespace vk::vault {

EntryFilter::EntryFilter(std::string_view typed, CaseFold fold, bool typable) : fold_(fold) {
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
        fold_(word, folded);
        if (std::find(words_.begin(), words_.end(), folded) == words_.end()) words_.push_back(std::move(folded));
    }
}

EntryFilter& EntryFilter::operator=(EntryFilter other) noexcept {
    std::swap(fold_, other.fold_);
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
    searched_.clear();
    fold_(entry.username, searched_);
    // No word holds a NUL: none is found across the two fields.
    searched_.push_back('\0');
    fold_(entry.location, searched_);
    return std::all_of(words_.begin(), words_.end(),
                       [this](const std::string& word) { return searched_.find(word) != std::string::npos; });
}

bool EntryFilter::narrows(const EntryFilter& wider) const {
    if (matchesNothing_) return true;
    if (wider.matchesNothing_) return false;
    return std::all_of(wider.words_.begin(), wider.words_.end(), [this](const std::string& widerWord) {
        return std::any_of(words_.begin(), words_.end(),
                           [&](const std::string& word) { return word.find(widerWord) != std::string::npos; });
    });
}

bool collectShownRows(const EntryList& entries, const EntryFilter& filter, EntryList::Mark kept,
                      const ShownRows* among, ShownRows& rows, const std::function<bool()>& stop) {
    // Often enough that a keystroke waits no more than a millisecond or so, seldom enough that
    // asking costs nothing that shows.
    constexpr size_t kStopCheckEvery = 8192;
    rows.clear();
    const size_t count = among ? among->size() : entries.count();
    for (size_t i = 0; i < count; ++i) {
        // Asking may run other code of the program: nothing read before it is trusted after a stop.
        if (i % kStopCheckEvery == kStopCheckEvery - 1 && stop()) return false;
        const size_t place = among ? (*among)[i] : i;
        if (entries.newSince(place, kept) || filter.matches(entries.at(place)))
            rows.push_back(static_cast<std::uint32_t>(place));
    }
    return !stop();
}

}  // namespace vk::vault
