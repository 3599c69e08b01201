// The vault's bytes: scrambling, lines, fields, and the texts an entry may hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/entry_rules.h"
#include "vault/fingerprint.h"
#include "vault/vault_format.h"

namespace vk::vault {
namespace {

std::string bytesOf(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

std::string hexOf(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

std::vector<std::string> linesOf(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

// --- Scrambling -------------------------------------------------------------------------------

TEST(Scramble, FlipsTheTopBitOfTheWorkedBytes) {
    EXPECT_EQ(scrambleText("abc"), bytesOf({0xE1, 0xE2, 0xE3}));
    EXPECT_EQ(scrambleText("|||"), bytesOf({0xFC, 0xFC, 0xFC}));
    EXPECT_EQ(scrambleText(""), "");
    EXPECT_EQ(scrambleText(bytesOf({128, 0})), bytesOf({0, 128}));
}

TEST(Scramble, IsItsOwnInverseForEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::string scrambled = scrambleText(all);
    ASSERT_EQ(scrambled.size(), 256u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(scrambled[b]), b ^ 0x80) << "byte " << b;
    EXPECT_EQ(scrambleText(scrambled), all);

    std::string inPlace = all;
    scrambleInPlace(inPlace);
    EXPECT_EQ(inPlace, scrambled);
    scrambleInPlace(inPlace);
    EXPECT_EQ(inPlace, all);
}

// --- Lines ------------------------------------------------------------------------------------

TEST(LineReader, EndsLinesAtCrLfAndLoneCrButKeepsLoneLf) {
    EXPECT_EQ(linesOf("a\r\nb\rc\nd\r\n"), (std::vector<std::string>{"a", "b", "c\nd"}));
    EXPECT_EQ(linesOf("\n"), (std::vector<std::string>{"\n"}));
    EXPECT_EQ(linesOf("x\n\r\n"), (std::vector<std::string>{"x\n"}));
}

TEST(LineReader, CountsEmptyLinesAndAFinalLineWithoutTerminator) {
    EXPECT_TRUE(linesOf("").empty());
    EXPECT_EQ(linesOf("\r\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(linesOf("\r\r\n"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(linesOf("\r\n\r\n"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(linesOf("a\r\nlast"), (std::vector<std::string>{"a", "last"}));
    EXPECT_EQ(linesOf("a\r"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(linesOf("only"), (std::vector<std::string>{"only"}));
}

// --- Fields -----------------------------------------------------------------------------------

TEST(EntryLine, SplitsAtTheSeparatorFromTheLeft) {
    EXPECT_EQ(splitEntryLine("a|||b|||c"), (Entry{"a", "b", "c"}));
    EXPECT_EQ(splitEntryLine("a|||b|||c|||d"), (Entry{"a", "b", "c"}));  // the fourth piece is dropped
    EXPECT_EQ(splitEntryLine("a|||b"), (Entry{"a", "b", ""}));
    EXPECT_EQ(splitEntryLine("a"), (Entry{"a", "", ""}));
    EXPECT_EQ(splitEntryLine("||||||"), (Entry{"", "", ""}));
    EXPECT_EQ(splitEntryLine(""), (Entry{"", "", ""}));
    // Non-overlapping, leftmost: the fourth "|" begins the Password.
    EXPECT_EQ(splitEntryLine("a||||b|||c"), (Entry{"a", "|b", "c"}));
    EXPECT_EQ(splitEntryLine("a||b|c"), (Entry{"a||b|c", "", ""}));
}

TEST(EntryLine, JoinsTheThreeFields) {
    EXPECT_EQ(joinEntryLine(Entry{"user", "pw", "site"}), "user|||pw|||site");
    EXPECT_EQ(joinEntryLine(Entry{}), "||||||");
    Entry entry{"a b", "c|d", "e"};
    EXPECT_EQ(splitEntryLine(joinEntryLine(entry)), entry);
}

// --- Whole files ------------------------------------------------------------------------------

TEST(VaultBytes, FreshAndCreatedVaults) {
    EXPECT_EQ(freshVault(), "\r\n");
    EXPECT_EQ(createdVault("abc"), bytesOf({0xE1, 0xE2, 0xE3, 0x0D, 0x0A}));
    EXPECT_EQ(createdVault(""), "\r\n");
}

TEST(VaultBytes, SavedVaultHasTheWorkedBytes) {
    SavedVaultBuilder builder("abc", 1);
    builder.add(Entry{"abc", "", "abc"});
    EXPECT_EQ(builder.finish(), bytesOf({0xE1, 0xE2, 0xE3, 0x0D, 0x0A,                          //
                                         0xE1, 0xE2, 0xE3, 0xFC, 0xFC, 0xFC, 0xFC, 0xFC, 0xFC,  //
                                         0xE1, 0xE2, 0xE3, 0x0D, 0x0A,                          //
                                         0x0D, 0x0A}));
}

// The writer keeps its own copy of where the pieces go: made from a lambda, whose wrapper is gone
// once the writer is made, it still hands every piece on.
TEST(VaultBytes, AWriterMadeFromALambdaWritesWhatTheBuilderWrites) {
    std::string written;
    VaultContentWriter writer("pw", [&written](std::string_view piece) {
        written.append(piece);
        return IoResult::success();
    });
    writer.add(Entry{"user", "secret", "example.com"});
    ASSERT_TRUE(writer.finish().succeeded());
    SavedVaultBuilder builder("pw", 1);
    builder.add(Entry{"user", "secret", "example.com"});
    EXPECT_EQ(written, builder.finish());
}

TEST(VaultBytes, SavedVaultWithoutEntriesEndsWithAnEmptyLine) {
    EXPECT_EQ(SavedVaultBuilder("pw").finish(), scrambleText("pw") + "\r\n\r\n");
    EXPECT_EQ(SavedVaultBuilder("").finish(), "\r\n\r\n");
}

TEST(VaultBytes, StoredPasswordIsLineOneUnscrambled) {
    EXPECT_EQ(storedPasswordOf(""), "");  // a zero-byte vault counts as Fresh
    EXPECT_EQ(storedPasswordOf("\r\n"), "");
    EXPECT_EQ(storedPasswordOf(createdVault("secret")), "secret");
    EXPECT_EQ(storedPasswordOf(scrambleText("pw") + "\r\n" + scrambleText("u|||p|||l") + "\r\n"), "pw");
    EXPECT_EQ(storedPasswordOf(scrambleText("pw")), "pw");  // no line end at all
}

TEST(VaultBytes, EntriesSkipLineOneAndEmptyOrOneSpaceLines) {
    std::string file = scrambleText("master") + "\r\n" +        //
                       "\r\n" +                                 // empty: skipped
                       " \r\n" +                                // one stored space: skipped
                       scrambleText("u1|||p1|||l1") + "\r\n" +  //
                       "  \r\n" +                               // two spaces: an entry
                       scrambleText(" ") + "\r\n" +             // a scrambled space: an entry
                       scrambleText("u2|||p2") + "\r";          // lone CR ends it too
    std::vector<Entry> expected{
        {"u1", "p1", "l1"},
        {scrambleText("  "), "", ""},
        {" ", "", ""},
        {"u2", "p2", ""},
    };
    EXPECT_EQ(entriesOf(file), expected);
    EXPECT_TRUE(entriesOf("").empty());
    EXPECT_TRUE(entriesOf(scrambleText("u|||p|||l")).empty());  // only line 1
}

TEST(VaultBytes, Code138BecomesALoneLfAndComesBack) {
    const char c138 = static_cast<char>(138);
    Entry entry{std::string("a") + c138 + "b", std::string(1, c138), std::string(2, c138)};
    SavedVaultBuilder builder(std::string("m") + c138, 1);
    builder.add(entry);
    std::string file = builder.finish();
    EXPECT_NE(file.find(scrambleText("a") + "\n" + scrambleText("b")), std::string::npos);
    EXPECT_EQ(storedPasswordOf(file), std::string("m") + c138);
    EXPECT_EQ(entriesOf(file), std::vector<Entry>{entry});
}

TEST(VaultBytes, SaveAndLoadRoundTripEveryByteButCode141) {
    // Code 141 is refused by the editor: scrambled it is a CR.
    std::vector<Entry> entries;
    std::string spread;
    for (int b = 0; b < 256; ++b)
        if (b != 141 && b != '|') spread.push_back(static_cast<char>(b));
    entries.push_back({spread, "p", "l"});
    entries.push_back({"", "", ""});
    entries.push_back({"user", "a|b||c", "https://example.org/?a=1|2"});
    entries.push_back({"|lead", "", "trail|"});

    SavedVaultBuilder builder("master", entries.size());
    for (const auto& e : entries) builder.add(e);
    std::string file = builder.finish();
    EXPECT_EQ(storedPasswordOf(file), "master");
    EXPECT_EQ(entriesOf(file), entries);
}

TEST(VaultBytes, HasNoCapOnTheNumberOfEntries) {
    constexpr size_t kCount = 40000;  // beyond what a 16-bit count could hold
    SavedVaultBuilder builder("m", kCount);
    for (size_t i = 0; i < kCount; ++i) builder.add(Entry{"user" + std::to_string(i), "pw", "site"});
    std::vector<Entry> loaded = entriesOf(builder.finish());
    ASSERT_EQ(loaded.size(), kCount);
    EXPECT_EQ(loaded.front().username, "user0");
    EXPECT_EQ(loaded[32766].username, "user32766");
    EXPECT_EQ(loaded.back().username, "user39999");
}

// --- What an entry may hold -------------------------------------------------------------------

// The fast table reader must cut every file exactly as the plain line-by-line reader does.
void expectTableMatchesPlainReader(const std::string& file) {
    std::vector<Entry> plain = entriesOf(file);
    EntryTable table = entryTableOf(file);
    ASSERT_EQ(table.size(), plain.size()) << hexOf(file);
    for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(table[i].toEntry(), plain[i]) << "entry " << i;
}

TEST(EntryTable, CutsLikeThePlainReaderOnAwkwardFiles) {
    const std::vector<std::string> lines = {
        "abc|||def|||ghi", "a|||b", "nosep", "||||||", "|||||||||", "||||", "|||||", "a||||b|||c",
        "a|||b|||c|||d|||e", "|", "||", " ", "", "x|||y||", std::string(40, '|'), std::string(70, 'x') + "|||z"};
    // Every line at every offset against the wide blocks, with every kind of line end.
    for (const std::string& line : lines) {
        for (size_t pad = 0; pad < 20; ++pad) {
            for (std::string_view end : {"\r\n", "\r", ""}) {
                std::string file = scrambleText("master") + "\r\n" + scrambleText(std::string(pad, 'p') + "|||q|||r") +
                                   "\r\n" + scrambleText(line) + std::string(end) + scrambleText(line) + "\r\n";
                expectTableMatchesPlainReader(file);
            }
        }
    }
}

TEST(EntryTable, CutsLikeThePlainReaderOnRandomBytes) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    // Bytes drawn mostly from those that matter: line ends, stored bars, spaces and LFs.
    const unsigned char common[] = {0x0D, 0x0A, 0xFC, 0xFC, 0xFC, 0x20, 0xE1, 0x8D, 0x7C};
    for (int round = 0; round < 3000; ++round) {
        std::string file(next() % 300, '\0');
        for (char& c : file)
            c = static_cast<char>(next() % 4 ? common[next() % sizeof common] : static_cast<unsigned char>(next()));
        expectTableMatchesPlainReader(file);
    }
}

TEST(EntryRules, AcceptsWhatReadsBackUnchanged) {
    EXPECT_EQ(entryProblem(Entry{}), "");
    EXPECT_EQ(entryProblem(Entry{"|user", "a|b||c", "site|"}), "");
    EXPECT_EQ(entryProblem(Entry{std::string(1, static_cast<char>(138)), "p", "l"}), "");
    EXPECT_EQ(masterPasswordProblem(""), "");
    EXPECT_EQ(masterPasswordProblem("|||x|"), "");
}

TEST(EntryRules, RefusesTheSeparatorInAnyField) {
    EXPECT_EQ(entryProblem(Entry{"a|||b", "", ""}),
              "The Username cannot contain \"|||\": Vellumkeep uses it to separate the fields of an entry.");
    EXPECT_EQ(entryProblem(Entry{"", "x|||", ""}),
              "The Password cannot contain \"|||\": Vellumkeep uses it to separate the fields of an entry.");
    EXPECT_EQ(entryProblem(Entry{"", "", "|||"}),
              "The Website cannot contain \"|||\": Vellumkeep uses it to separate the fields of an entry.");
}

TEST(EntryRules, RefusesLineBreaksAndCode141) {
    EXPECT_EQ(entryProblem(Entry{"a\rb", "", ""}), "The Username cannot contain a line break.");
    EXPECT_EQ(entryProblem(Entry{"", "a\n", ""}), "The Password cannot contain a line break.");
    EXPECT_EQ(entryProblem(Entry{"", "", std::string("x") + static_cast<char>(141)}),
              "The Website cannot contain the character of code 141, which the vault file cannot store.");
    EXPECT_EQ(masterPasswordProblem("a\r\nb"), "The master password cannot contain a line break.");
    EXPECT_EQ(masterPasswordProblem("\n"), "The master password cannot contain a line break.");
    EXPECT_EQ(masterPasswordProblem(std::string(1, static_cast<char>(141))),
              "The master password cannot contain the character of code 141, which the vault file cannot store.");
}

TEST(EntryRules, RefusesABarNextToTheSeparator) {
    EXPECT_EQ(entryProblem(Entry{"user|", "", ""}),
              "The Username cannot end with \"|\": it would run into the separator that follows it.");
    EXPECT_EQ(entryProblem(Entry{"", "pw|", ""}),
              "The Password cannot end with \"|\": it would run into the separator that follows it.");
    EXPECT_EQ(entryProblem(Entry{"", "|pw", ""}),
              "The Password cannot begin with \"|\": it would run into the separator before it.");
    EXPECT_EQ(entryProblem(Entry{"", "", "|site"}),
              "The Website cannot begin with \"|\": it would run into the separator before it.");
    // A field ending in "|" really would come back changed.
    for (const Entry& e : {Entry{"user|", "", ""}, Entry{"", "pw|", ""}})
        EXPECT_NE(splitEntryLine(joinEntryLine(e)), e);
}

TEST(EntryRules, ChecksFieldsInOrderAndReasonsInOrder) {
    // The Username's problem wins over the Password's, and "|||" over a line break.
    EXPECT_EQ(entryProblem(Entry{"u\n", "|||", "\r"}), "The Username cannot contain a line break.");
    EXPECT_EQ(entryProblem(Entry{"ok", "a\n|||", "|||"}),
              "The Password cannot contain \"|||\": Vellumkeep uses it to separate the fields of an entry.");
    EXPECT_EQ(entryProblem(Entry{"ok", std::string("|") + static_cast<char>(141), ""}),
              "The Password cannot contain the character of code 141, which the vault file cannot store.");
    EXPECT_EQ(entryProblem(Entry{"ok", "|x|", ""}),
              "The Password cannot end with \"|\": it would run into the separator that follows it.");
}

TEST(EntryRules, NamesTheFieldOutsideTheCodePage) {
    EXPECT_EQ(outsideCodePageProblem("Username"),
              "The Username contains characters that this computer's code page cannot store. "
              "Please use other characters.");
    EXPECT_NE(outsideCodePageProblem("Website").find("The Website contains"), std::string::npos);
}

// A change in any byte past a file's last whole word shows: files of every length around a few words.
TEST(Fingerprint, AChangeInAnyOfAFilesLastBytesShows) {
    constexpr size_t kWord = sizeof(std::size_t);
    for (size_t length = 1; length <= 3 * kWord + 1; ++length) {
        const std::string file(length, 'a');
        for (size_t at = length - length % kWord; at < length; ++at) {
            std::string changed = file;
            changed[at] = 'b';
            EXPECT_NE(fingerprintOf(changed), fingerprintOf(file)) << "length " << length << ", byte " << at;
        }
    }
}

}  // namespace
}  // namespace vk::vault
