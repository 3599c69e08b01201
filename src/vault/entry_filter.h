#pragma once
// Finding entries as the user types: the text is cut into words at spaces, and an entry matches
// when every word is found somewhere in its Username or its Website/Location, letter case ignored.
// Passwords are never searched: what the list then shows must not tell an onlooker which entry
// holds a password they guess.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vault/entry_list.h"

namespace vk::vault {

// How letter case is folded away, the same way for every text: a word lies in a text, case
// ignored, when its folded form lies in the text's folded form.
struct CaseFolding {
    // Byte by byte, for a code page of one byte a character: texts are searched as they are.
    const std::array<char, 256>* table = nullptr;
    // Otherwise whole texts: appends to `folded` the text folded.
    void (*fold)(std::string_view text, std::string& folded) = nullptr;
};

class EntryFilter {
public:
    // No words: every entry matches.
    EntryFilter() = default;
    // `typable` false: the text holds a character no entry can hold, so nothing matches.
    EntryFilter(std::string_view typed, CaseFolding folding, bool typable = true);
    EntryFilter(const EntryFilter&) = default;
    EntryFilter(EntryFilter&&) noexcept = default;
    // The words replaced go with the argument, which wipes them.
    EntryFilter& operator=(EntryFilter other) noexcept;
    ~EntryFilter();  // wipes the words: they may say what is in the vault

    // True when it lets every entry through.
    bool empty() const { return words_.empty() && !matchesNothing_; }
    bool matches(EntryView entry) const;
    // True when every entry this filter matches, `wider` matches too: each of the words of `wider`
    // lies within one of this filter's words (the user typed on).
    bool narrows(const EntryFilter& wider) const;
    friend bool operator==(const EntryFilter& a, const EntryFilter& b) {
        return a.words_ == b.words_ && a.matchesNothing_ == b.matchesNothing_;
    }

private:
    bool found(std::string_view word, EntryView entry) const;

    CaseFolding folding_;
    std::vector<std::string> words_;  // folded, each once
    bool matchesNothing_ = false;
    mutable std::string searched_;  // without a table: an entry's searched fields, folded
};

// The places, in display order, of the entries a filtered list shows.
using ShownRows = EntryList::Places;

// Collects into `rows` the places of the entries that `filter` matches, and of those in `kept`
// (identities, in order), whether they match or not: the user sees what they just saved. Looks only at the places in `among` when given (a filter that narrows the last one only
// needs its rows). Asks `stop` every few thousand entries: false, with `rows` unfinished, as soon
// as it says so.
bool collectShownRows(const EntryList& entries, const EntryFilter& filter, const std::vector<EntryId>& kept,
                      const ShownRows* among, ShownRows& rows, const std::function<bool()>& stop);

}  // namespace vk::vault
