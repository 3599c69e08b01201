// Finding entries: which entries a typed text matches, byte by byte through a table and character
// by character through a function (as the East Asian code pages fold), and which places a filtered
// list shows: among the rows given, with what was saved since, and given up when asked to stop.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/entry_filter.h"

namespace vk::vault {
namespace {

const std::array<char, 256>& asciiTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int c = 0; c < 256; ++c) t[static_cast<size_t>(c)] = static_cast<char>(std::tolower(c));
        return t;
    }();
    return table;
}
void asciiFold(std::string_view text, std::string& folded) {
    for (char c : text) folded += asciiTable()[static_cast<unsigned char>(c)];
}

TEST(EntryFilter, EveryWordInTheUsernameOrTheLocationNeverThePassword) {
    const Entry john{"John@example.com", "bank", "www.Bank.example"}, bob{"bob", "secret", "mail.example.org"};
    struct Case {
        const char* typed;
        bool john, bob;
    };
    const Case cases[] = {{"bank", true, false}, {"JOHN BANK", true, false}, {"secret", false, false},
                          {" example  ", true, true}, {"b.e", false, false}, {"com example", true, false},
                          {"comwww", false, false}, {"", true, true}};
    for (CaseFolding folding : {CaseFolding{&asciiTable(), nullptr}, CaseFolding{nullptr, &asciiFold}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.typed) + (folding.table ? " (table)" : " (function)"));
            EntryFilter filter(c.typed, folding);
            EXPECT_EQ(filter.matches(john), c.john);
            EXPECT_EQ(filter.matches(bob), c.bob);
        }
    }
    EXPECT_FALSE(EntryFilter("bob", {&asciiTable(), nullptr}, false).matches(bob)) << "not typable: nothing";
}

TEST(CollectShownRows, MatchesInDisplayOrderWithWhatWasSavedSinceAmongTheRowsGiven) {
    EntryList list(&simpleCollationKey);
    list.addAll(entryTableOf(4, [](size_t i) {
        static const Entry entries[] = {{"d-bank", "p", ""}, {"c", "p", "bank"}, {"b", "p", ""}, {"a-bank", "p", ""}};
        return EntryView(entries[i]);
    }));
    list.setSortSettings(true, 0, SortOrder::Ascending);  // a-bank, b, c, d-bank
    const EntryFilter bank("bank", {&asciiTable(), nullptr});
    ShownRows rows;
    auto never = [] { return false; };
    ASSERT_TRUE(collectShownRows(list, bank, {}, nullptr, rows, never));
    EXPECT_EQ(rows, (ShownRows{0, 2, 3}));
    const EntryId saved = list.add(Entry{"bb", "p", ""});  // sorted in after b, matching nothing
    ASSERT_TRUE(collectShownRows(list, bank, {saved}, nullptr, rows, never));
    EXPECT_EQ(rows, (ShownRows{0, 2, 3, 4}));
    const ShownRows among{0, 1, 4};
    ASSERT_TRUE(collectShownRows(list, bank, {}, &among, rows, never));
    EXPECT_EQ(rows, (ShownRows{0, 4}));
    // Asked every few thousand entries whether to go on: stopped, it gives up.
    list.addAll(entryTableOf(10000, [](size_t) { return EntryView{"user", "p", "site"}; }));
    EXPECT_EQ(list.saves(), 1u) << "entries read in are no entries saved";
    EXPECT_EQ(list.lastSaved(), saved);
    int asked = 0;
    EXPECT_FALSE(collectShownRows(list, bank, {}, nullptr, rows, [&] { return ++asked == 2; }));
    EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace vk::vault
