// The entry collection behind the main window's list: display order, sorting, and entries keeping
// their identity while the order changes around them.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/entry_list.h"
#include "vault/vault_format.h"
#include "vault/vault_store.h"

namespace vk::vault {
// Failure messages show entries as their three texts.
static void PrintTo(const Entry& e, std::ostream* out) {
    *out << "{" << e.username << ", " << e.password << ", " << e.location << "}";
}
}  // namespace vk::vault

namespace vk {
namespace {

using vault::Entry;
using Names = std::vector<std::string>;

class EntryListTest : public ::testing::Test {
protected:
    Names column(int index) const {
        Names texts;
        for (size_t i = 0; i < list.count(); ++i) texts.emplace_back(vault::EntryList::field(list.at(i), index));
        return texts;
    }
    Names usernames() const { return column(0); }
    std::vector<Entry> entries() const {
        std::vector<Entry> all;
        for (size_t i = 0; i < list.count(); ++i) all.push_back(list.at(i).toEntry());
        return all;
    }
    std::vector<vault::EntryId> ids() const {
        std::vector<vault::EntryId> all;
        for (size_t i = 0; i < list.count(); ++i) all.push_back(list.idAt(i));
        return all;
    }
    vault::EntryId add(const std::string& username, const std::string& password = "",
                       const std::string& location = "") {
        return list.add(Entry{username, password, location});
    }
    // The entries a saved vault holds, loaded as the program loads them.
    static vault::EntryTable loaded(const std::vector<Entry>& entries) {
        vault::SavedVaultBuilder builder("master", entries.size());
        for (const Entry& e : entries) builder.add(e);
        return vault::entryTableOf(builder.finish());
    }

    vault::EntryList list{&vault::simpleCollationKey};
};

TEST_F(EntryListTest, UnsortedRowsStayInTheOrderTheyCameIn) {
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.sorted());
    EXPECT_EQ(list.sortKey(), 0);
    EXPECT_EQ(list.sortOrder(), vault::SortOrder::Ascending);
    add("m", "1", "x");
    add("a", "2", "");
    add("z", "", "y");
    EXPECT_EQ(entries(), (std::vector<Entry>{{"m", "1", "x"}, {"a", "2", ""}, {"z", "", "y"}}));
    list.addAll(loaded({{"c", "3", "w"}, {"b", "4", "v"}}));
    EXPECT_EQ(usernames(), (Names{"m", "a", "z", "c", "b"}));
    EXPECT_EQ(column(1), (Names{"1", "2", "", "3", "4"}));
    EXPECT_EQ(column(2), (Names{"x", "", "y", "w", "v"}));
}

TEST_F(EntryListTest, ALoadedVaultKeepsItsTextsWhateverTheirSize) {
    // Small enough for a string's own inline storage, which moves with the string.
    list.addAll(loaded({{"a", "b", "c"}}));
    EXPECT_EQ(entries(), (std::vector<Entry>{{"a", "b", "c"}}));
    std::vector<Entry> big;
    for (int i = 0; i < 500; ++i)
        big.push_back({"user" + std::to_string(i), std::string(static_cast<size_t>(i % 7), 'p'), i % 3 ? "" : "loc"});
    list.addAll(loaded(big));
    list.addAll(loaded({}));
    ASSERT_EQ(list.count(), 501u);
    EXPECT_EQ(list.at(0).toEntry(), (Entry{"a", "b", "c"}));
    for (size_t i = 0; i < big.size(); ++i) EXPECT_EQ(list.at(i + 1).toEntry(), big[i]) << i;
    // Entries added one by one later do not disturb what was loaded.
    for (int i = 0; i < 200; ++i) add("later" + std::to_string(i), "p");
    EXPECT_EQ(list.at(0).toEntry(), (Entry{"a", "b", "c"}));
    EXPECT_EQ(list.at(500).toEntry(), big.back());
    EXPECT_EQ(list.at(700).toEntry(), (Entry{"later199", "p", ""}));
}

TEST_F(EntryListTest, SortingIsStableInBothOrders) {
    // Forty rows share each key, told apart by letter case: more than a sort leaves to insertion,
    // which keeps equal rows in order by chance. Rows with keys of their own come between them.
    Names tied;
    for (int i = 0; i < 40; ++i) {
        std::string name = "mallory", password = "secret";
        for (size_t letter = 0; letter < 6; ++letter) {
            char& c = (i >> letter & 1) ? name[letter] : password[letter];
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        tied.push_back(name);
        add(name, password);
        if (i % 10 == 0) {
            std::string n = std::to_string(i / 10);
            add("zed" + n, "a" + n);
            add("abe" + n, "z" + n);
        }
    }
    auto around = [&tied](Names rows, const Names& after) {
        rows.insert(rows.end(), tied.begin(), tied.end());
        rows.insert(rows.end(), after.begin(), after.end());
        return rows;
    };
    const Names abe{"abe0", "abe1", "abe2", "abe3"}, zed{"zed0", "zed1", "zed2", "zed3"};
    const Names abeReversed(abe.rbegin(), abe.rend()), zedReversed(zed.rbegin(), zed.rend());
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    EXPECT_EQ(usernames(), around(abe, zed));
    list.setSortSettings(true, 0, vault::SortOrder::Descending);
    EXPECT_EQ(usernames(), around(zedReversed, abeReversed));
    // By another column: the key follows the column.
    list.setSortSettings(true, 1, vault::SortOrder::Ascending);
    EXPECT_EQ(usernames(), around(zed, abe));
    list.setSortSettings(true, 1, vault::SortOrder::Descending);
    EXPECT_EQ(usernames(), around(abeReversed, zedReversed));
    EXPECT_EQ(list.sortKey(), 1);
    EXPECT_EQ(list.sortOrder(), vault::SortOrder::Descending);
}

TEST_F(EntryListTest, TextIsComparedAsTextNotAsNumbers) {
    for (const char* name : {"9", "10", "100", "1", "09"}) add(name);
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    EXPECT_EQ(usernames(), (Names{"09", "1", "10", "100", "9"}));
}

TEST_F(EntryListTest, WhileSortedNewAndChangedRowsGoToTheirPlaceAtOnce) {
    add("delta");
    add("bravo");
    add("foxtrot");
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    ASSERT_EQ(usernames(), (Names{"bravo", "delta", "foxtrot"}));

    add("alpha");
    add("echo");
    add("golf");
    EXPECT_EQ(usernames(), (Names{"alpha", "bravo", "delta", "echo", "foxtrot", "golf"}));
    // Equal to rows already there: after them, as if sorted stably with it added last.
    add("Delta", "new");
    EXPECT_EQ(usernames(), (Names{"alpha", "bravo", "delta", "Delta", "echo", "foxtrot", "golf"}));

    list.setSortSettings(true, 0, vault::SortOrder::Descending);
    add("charlie");
    add("DELTA", "newest");
    EXPECT_EQ(usernames(),
              (Names{"golf", "foxtrot", "echo", "delta", "Delta", "DELTA", "charlie", "bravo", "alpha"}));

    // Loading more while sorted puts the whole lot in order.
    list.addAll(loaded({{"hotel", "", ""}, {"able", "", ""}}));
    EXPECT_EQ(usernames().front(), "hotel");
    EXPECT_EQ(usernames().back(), "able");
}

TEST_F(EntryListTest, ReplaceKeepsTheEntrysIdentityAndPlace) {
    vault::EntryId a = add("a", "1", "x");
    vault::EntryId b = add("b", "2", "y");
    vault::EntryId c = add("c", "3", "z");
    // Unsorted: the row stays where it was, whatever its new text.
    EXPECT_TRUE(list.replace(a, Entry{"zz", "9", ""}));
    EXPECT_EQ(usernames(), (Names{"zz", "b", "c"}));
    EXPECT_EQ(ids(), (std::vector<vault::EntryId>{a, b, c}));
    EXPECT_EQ(list.at(0).toEntry(), (Entry{"zz", "9", ""}));

    // Sorted: it moves to its place and is still the same entry.
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    ASSERT_EQ(ids(), (std::vector<vault::EntryId>{b, c, a}));
    EXPECT_TRUE(list.replace(a, Entry{"a", "1", "x"}));
    EXPECT_EQ(ids(), (std::vector<vault::EntryId>{a, b, c}));
    EXPECT_EQ(list.indexOf(a), 0u);
    // A change of a column that is not the key leaves the order alone.
    EXPECT_TRUE(list.replace(b, Entry{"b", "changed", "y"}));
    EXPECT_EQ(ids(), (std::vector<vault::EntryId>{a, b, c}));
    EXPECT_EQ(list.at(1).toEntry(), (Entry{"b", "changed", "y"}));

    // An entry that is gone is not replaced, and nothing else is touched.
    EXPECT_TRUE(list.remove(c));
    EXPECT_FALSE(list.replace(c, Entry{"c", "3", "z"}));
    EXPECT_EQ(entries(), (std::vector<Entry>{{"a", "1", "x"}, {"b", "changed", "y"}}));
    EXPECT_FALSE(list.remove(c));
    EXPECT_EQ(list.indexOf(c), std::nullopt);
}

TEST_F(EntryListTest, ReplaceCopiesTheTextItIsGiven) {
    vault::EntryId id = add("a");
    {
        Entry passing{"temporary", std::string(100, 'p'), "somewhere"};
        list.replace(id, passing);
        passing.username.assign("overwritten");
    }
    EXPECT_EQ(list.at(0).toEntry(), (Entry{"temporary", std::string(100, 'p'), "somewhere"}));
}

TEST_F(EntryListTest, IdsAreNeverUsedTwice) {
    std::set<vault::EntryId> seen;
    auto fresh = [&](vault::EntryId id) { return seen.insert(id).second; };
    vault::EntryId first = add("a");
    EXPECT_TRUE(fresh(first));
    EXPECT_TRUE(list.remove(first));
    vault::EntryId second = add("a");
    EXPECT_TRUE(fresh(second));
    list.addAll(loaded({{"x", "", ""}, {"y", "", ""}}));
    for (vault::EntryId id : ids()) EXPECT_TRUE(id == second || fresh(id)) << id;
    list.setSortSettings(true, 0, vault::SortOrder::Descending);
    EXPECT_TRUE(list.replace(second, Entry{"b", "", ""}));
    EXPECT_TRUE(list.indexOf(second).has_value());
    for (vault::EntryId id : ids()) list.remove(id);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(fresh(add("again")));
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(EntryListTest, SortKeysKeptAcrossSortsFollowChangedAndRemovedEntries) {
    vault::EntryId a = add("a", "3");
    vault::EntryId b = add("b", "2");
    vault::EntryId c = add("c", "1");
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    list.setSortSettings(true, 1, vault::SortOrder::Ascending);
    EXPECT_EQ(usernames(), (Names{"c", "b", "a"}));
    EXPECT_TRUE(list.replace(a, Entry{"d", "0", ""}));
    EXPECT_EQ(usernames(), (Names{"d", "c", "b"}));
    // Back to the first column: the changed entry sorts by its new text, not by the key it had.
    list.setSortSettings(true, 0, vault::SortOrder::Descending);
    EXPECT_EQ(usernames(), (Names{"d", "c", "b"}));

    for (vault::EntryId removed : {a, b, c}) list.remove(removed);
    add("z");
    add("y");
    list.setSortSettings(true, 0, vault::SortOrder::Ascending);
    EXPECT_EQ(usernames(), (Names{"y", "z"}));
}

TEST_F(EntryListTest, AKeyColumnOutsideTheColumnsIsHeldToTheNearestOne) {
    add("b", "1", "z");
    add("a", "2", "y");
    list.setSortSettings(true, 7, vault::SortOrder::Ascending);
    EXPECT_EQ(list.sortKey(), 2);
    EXPECT_EQ(usernames(), (Names{"a", "b"}));
    list.setSortSettings(true, -3, vault::SortOrder::Ascending);
    EXPECT_EQ(list.sortKey(), 0);
    EXPECT_EQ(usernames(), (Names{"a", "b"}));
    // Sorted mode off leaves the rows where they are.
    add("0");
    list.setSortSettings(false, 0, vault::SortOrder::Descending);
    add("c");
    EXPECT_EQ(usernames(), (Names{"0", "a", "b", "c"}));
}

// A save writes the list in display order, whatever pieces it is handed over in: lines still as
// read go whole (a run of them as one piece), but never what lay between them in the file.
TEST_F(EntryListTest, ASaveWritesEveryEntryInDisplayOrderAndNothingElseOfTheOldFile) {
    std::string text = vault::scrambleText("master") + "\r\n";
    std::vector<Entry> stored;
    for (int i = 0; i < 20000; ++i) {  // over half a megabyte: many pieces
        stored.push_back({"user" + std::to_string(i), "pw" + std::to_string(i * 7), i % 5 ? "site" : ""});
        text += vault::scrambleText(stored.back().username + "|||" + stored.back().password + "|||" +
                                    stored.back().location);
        // Line ends a save does not keep: blank lines, a line of one space, a CR alone.
        text += i % 997 == 3 ? "\r\n\r\n" : i % 1009 == 4 ? "\r\n" + vault::scrambleText(" ") + "\r\n"
                : i % 1013 == 5 ? "\r" : "\r\n";
    }
    text += vault::scrambleText("two|||pieces") + "\r\n";  // joined afresh, with an empty third field
    stored.push_back({"two", "pieces", ""});
    list.addAll(vault::entryTableOf(text));
    vault::EntryId changed = list.idAt(10);
    ASSERT_TRUE(list.replace(changed, Entry{"changed", "x", "y"}));
    ASSERT_TRUE(list.remove(list.idAt(20)));
    add("added", "p", "l");

    auto written = [&] {
        std::vector<std::string> pieces;
        auto result = vault::writeVaultContent("master", list, [&](std::string_view piece) -> vault::IoResult {
            pieces.emplace_back(piece);
            return vault::IoResult::success();
        });
        EXPECT_TRUE(result.succeeded());
        return pieces;
    };
    for (bool sorted : {false, true}) {
        list.setSortSettings(sorted, 1, vault::SortOrder::Descending);
        vault::SavedVaultBuilder expected("master", list.count());
        for (size_t i = 0; i < list.count(); ++i) expected.add(list.at(i));
        std::string whole = expected.finish();
        std::vector<std::string> pieces = written();
        EXPECT_GT(pieces.size(), 2u);
        std::string joined;
        vault::FingerprintBuilder fingerprint;
        for (const std::string& piece : pieces) {
            joined += piece;
            fingerprint.add(piece);
        }
        EXPECT_TRUE(joined == whole) << "sorted: " << sorted;
        // What a save remembers of its own writing is what reading the file back gives.
        EXPECT_EQ(fingerprint.result(), vault::fingerprintOf(whole));
    }
}

std::string simpleKey(std::string_view text) {
    SecretString key;
    vault::simpleCollationKey(text, key);
    return std::string(key);
}

TEST(SimpleCollationKey, IgnoresTheCaseOfLettersOnly) {
    EXPECT_EQ(simpleKey("AbC"), simpleKey("aBc"));
    EXPECT_LT(simpleKey("apple"), simpleKey("Banana"));
    EXPECT_NE(simpleKey("["), simpleKey("{"));
    EXPECT_EQ(simpleKey(""), "");
}

}  // namespace
}  // namespace vk
