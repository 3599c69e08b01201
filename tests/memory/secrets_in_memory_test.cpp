// No password of the vault is left in freed memory by the vault's work, and none at all in the
// heap once the vault is locked: every block this program frees is looked through for marker
// passwords as it goes (memory_watch.h), while a vault is created, saved, sorted, opened again,
// encrypted, given a new master password, kept as an earlier version, merged with another
// program's change, filled by imports of UTF-8, UTF-16 and code page files, exported in both
// layouts, and locked.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "memory_watch.h"
#include "posix_file_system.h"
#include "temp_folder.h"
#include "platform/wipe.h"
#include "vault/entry_csv.h"
#include "vault/vault_session.h"
#include "vault_samples.h"

namespace vk::vault {
namespace {

// The marker passwords: one longer than a string keeps in itself, one shorter.
constexpr std::string_view kMaster = "Marker-Master-4417";
constexpr std::string_view kNewMaster = "Marker-Changed-8802";
constexpr std::string_view kLongPassword = "Marker-Entry-3391-Longer";
constexpr std::string_view kShortPassword = "MkShort-51";
constexpr std::string_view kImported = "Marker-Import-6650";
constexpr std::string_view kImportedWide = "Marker-Wide-2286";
constexpr std::string_view kImportedAnsi = "Marker-Ansi-5173";
constexpr std::string_view kTheirs = "Marker-Theirs-1709";
constexpr std::string_view kShortOurs = "MkOurs-77";
constexpr std::string_view kShortTheirs = "MkTheirs-8";

EntryId idOf(const EntryList& entries, std::string_view username) {
    for (size_t i = 0; i < entries.count(); ++i)
        if (entries.at(i).username == username) return entries.idAt(i);
    return 0;
}

// Stands in for the system's cryptography: deterministic and fast, not secure, but it seals and
// opens as the real one does, in place, so that an encrypted vault takes the program's own path.
class ToyCryptography final : public Cryptography {
public:
    bool randomBytes(ByteSpan out) override {
        for (std::uint8_t& byte : out) byte = static_cast<std::uint8_t>(next(counter_));
        return true;
    }
    bool pbkdf2HmacSha256(std::string_view password, ByteView salt, std::uint32_t, ByteSpan out) override {
        expand(mix(mix(kStart, bytesOf(password)), salt), out);
        return true;
    }
    bool hmacSha256(ByteView key, ByteView message, std::span<std::uint8_t, kHmacSize> out) override {
        expand(mix(mix(kStart, key), message), out);
        return true;
    }
    bool sha256(ByteView message, std::span<std::uint8_t, kDigestSize> out) override {
        expand(mix(kStart, message), out);
        return true;
    }
    bool sealAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input, ByteSpan output,
                       std::span<std::uint8_t, kTagSize> tag) override {
        streamCipher(key, nonce, input, output);
        expand(tagOf(key, nonce, associatedData, output), tag);
        return true;
    }
    Opening openAes256Gcm(ByteView key, ByteView nonce, ByteView associatedData, ByteView input,
                          std::span<const std::uint8_t, kTagSize> tag, ByteSpan output) override {
        std::array<std::uint8_t, kTagSize> expected{};
        expand(tagOf(key, nonce, associatedData, input), expected);
        if (!std::equal(expected.begin(), expected.end(), tag.begin())) {
            wipeSecret(output);
            return Opening::TagMismatch;
        }
        streamCipher(key, nonce, input, output);
        return Opening::Opened;
    }

private:
    static constexpr std::uint64_t kStart = 0xcbf29ce484222325ull;
    static ByteView bytesOf(std::string_view text) {
        return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    }
    static std::uint64_t mix(std::uint64_t state, ByteView bytes) {
        for (std::uint8_t byte : bytes) state = (state ^ byte) * 0x100000001b3ull;
        return state;
    }
    static std::uint64_t next(std::uint64_t& state) {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    static void expand(std::uint64_t seed, ByteSpan out) {
        for (std::uint8_t& byte : out) byte = static_cast<std::uint8_t>(next(seed));
    }
    static std::uint64_t tagOf(ByteView key, ByteView nonce, ByteView associatedData, ByteView ciphertext) {
        return mix(mix(mix(mix(kStart, key), nonce), associatedData), ciphertext);
    }
    static void streamCipher(ByteView key, ByteView nonce, ByteView input, ByteSpan output) {
        std::uint64_t state = mix(mix(kStart, key), nonce);
        for (std::size_t i = 0; i < input.size(); ++i) output[i] = input[i] ^ static_cast<std::uint8_t>(next(state));
    }
    std::uint64_t counter_ = 1;
};

// An export's CSV text, as another keeper writes it, built where it is wiped when it goes.
SecretString csvWith(std::string_view password) {
    SecretString text("url,username,password\r\nhttps://example.com/,");
    text.append("importer@example.com,").append(password).append("\r\n");
    return text;
}

// Latin-1 stands in for the system's code page, converted into texts that are wiped, as the
// program's conversions are.
std::optional<SecretString> utf8OfLatin1(std::string_view latin1) {
    SecretString utf8;
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) utf8 += c;
        else utf8.append({static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))});
    }
    return utf8;
}
std::optional<SecretString> latin1OfUtf8(std::string_view utf8) {
    SecretString latin1;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) latin1 += utf8[i];
        else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size())
            latin1 += static_cast<char>(((byte & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        else return std::nullopt;
    }
    return latin1;
}

// The text as UTF-16 LE with its byte-order mark: read as the program reads such a file.
SecretString utf16Of(std::string_view ascii) {
    SecretString bytes("\xFF\xFE");
    for (char c : ascii) bytes.append({c, '\0'});
    return bytes;
}

class SecretsInMemory : public ::testing::Test {
protected:
    TempFolder folder;
    const Path vault = vaultPathIn(folder.path().string());
    PosixFileSystem files;
    ToyCryptography crypto;
    VaultSession session{files, vault, &simpleCollationKey, &crypto};

    void writeFile(const Path& path, std::string_view bytes) {
        ASSERT_TRUE(files.replaceAtomically(path, path + ".tmp", [&](const PieceWriter& write) {
                             return write(bytes);
                         }).succeeded());
    }

    void open(std::string_view password) {
        session.close();
        VaultFound found;
        OpenOutcome outcome = OpenOutcome::WrongPassword;
        ASSERT_TRUE(session.inspect(found).succeeded());
        ASSERT_TRUE(session.open(password, outcome).succeeded());
        ASSERT_EQ(outcome, OpenOutcome::Opened);
    }

    void changeKey(std::string_view password, VaultFormat format) {
        std::optional<VaultKey> key = session.makeKey(password, format);
        ASSERT_TRUE(key);
        VaultKey old = session.replaceKey(std::move(*key));
        ASSERT_TRUE(session.save().succeeded());
        EXPECT_TRUE(session.resealVersions(old).empty());
    }

    // As the program imports: the file read whole, decoded, its layout guessed, its rows added in one
    // change beside the entries held, then one save.
    void import(const Path& csv) {
        SecretString bytes;
        ASSERT_TRUE(files.readAll(csv, bytes).succeeded());
        CsvText text = csvTextOf(std::move(bytes), &utf8OfLatin1);
        ASSERT_EQ(text.problem, CsvFileProblem::None);
        const CsvGuess guess = guessLayout(text.utf8);
        std::vector<EntryView> existing;
        for (size_t i = 0; i < session.entries().count(); ++i) existing.push_back(session.entries().at(i));
        CsvImport result = importEntriesCsv(text.utf8, guess.layout, existing, &latin1OfUtf8);
        ASSERT_EQ(result.entries.size(), 1u);
        session.entries().addInOneChange(
            entryTableOf(result.entries.size(), [&](size_t i) { return result.entries[i]; }));
        ASSERT_TRUE(session.save().succeeded());
    }

    void exportTo(const Path& csv, CsvExportType type) {
        auto content = [&](const PieceWriter& write) {
            IoResult written;
            CsvExportWriter writer([](std::string_view ansi) { return *utf8OfLatin1(ansi); },
                                   [&](std::string_view piece) {
                                       written = write(piece);
                                       return written.succeeded();
                                   },
                                   type);
            for (size_t i = 0; i < session.entries().count(); ++i) writer.add(session.entries().at(i));
            writer.finish();
            return written;
        };
        ASSERT_TRUE(files.replaceAtomically(csv, csv + ".tmp", content, TemporaryCopy::RemovedIfKilled).succeeded());
    }

    // Another copy of the program adds an entry and changes the short one, while this one changes
    // that entry too: the two are merged, with the entry changed on both sides as a conflict.
    void mergeAnotherProgramsChange() {
        {
            VaultSession other(files, vault, &simpleCollationKey, &crypto);
            VaultFound found;
            OpenOutcome outcome = OpenOutcome::WrongPassword;
            ASSERT_TRUE(other.inspect(found).succeeded());
            ASSERT_TRUE(other.open(kNewMaster, outcome).succeeded());
            ASSERT_EQ(outcome, OpenOutcome::Opened);
            other.entries().add(EntryView{"theirs", kTheirs, "there"});
            other.entries().replace(idOf(other.entries(), "short"), EntryView{"short", kShortTheirs, "example.org"});
            ASSERT_TRUE(other.save().succeeded());
            other.close();
        }
        session.entries().replace(idOf(session.entries(), "short"), EntryView{"short", kShortOurs, "example.org"});
        session.markUnsaved();
        bool changed = false;
        ChangedFile file;
        ASSERT_TRUE(session.readChangedFile(changed, file).succeeded());
        ASSERT_TRUE(changed);
        TakenChange taken = session.takeChangedFile(std::move(file));
        EXPECT_TRUE(taken.merged);
        EXPECT_EQ(taken.conflicts.size(), 1u);
        ASSERT_TRUE(session.save().succeeded());
    }
};

// Every way a text that holds a secret gives memory back leaves nothing of the secret in it: its
// block when it grows or goes, the short text it keeps in itself when the object holding it goes,
// a text moved away from; and a plain text wiped past its end before it goes.
TEST(SecretTexts, LeaveNothingOfTheSecretInTheMemoryTheyGiveBack) {
    constexpr std::string_view kLong = "Marker-Secret-Text-5084";
    constexpr std::string_view kShort = "MkShort-73";
    memory::MemoryWatch watch({kLong, kShort});
    const struct {
        const char* what;
        std::function<void()> run;
    } cases[] = {
        {"a long text that goes", [&] { SecretString text(kLong); }},
        {"a text that grows", [&] {
             SecretString text(kLong);
             for (int i = 0; i < 8; ++i) text += text;
         }},
        {"a short text, in an object that goes", [&] { auto held = std::make_unique<SecretString>(kShort); }},
        {"a short text moved away from", [&] {
             auto from = std::make_unique<SecretString>(kShort);
             SecretString to = std::move(*from);
         }},
        {"short texts in a vector that grows", [&] {
             std::vector<SecretString> texts;
             for (int i = 0; i < 20; ++i) texts.emplace_back(kShort);
         }},
        {"a UTF-16 text that grows", [&] {
             BasicSecretString<char16_t> text(kLong.begin(), kLong.end());
             text.append(100, u'x');
         }},
        {"a buffer", [&] { SecretBuffer buffer(kLong.begin(), kLong.end()); }},
        {"a plain text wiped, a shorter one in its place", [&] {
             std::string text;
             text.reserve(64);
             text.append("Padding ").append(kLong);
             text = "x";
             wipeSecret(text);
         }},
    };
    for (const auto& c : cases) {
        c.run();
        const std::vector<memory::Finding> freed = watch.takeFreedFindings();
        EXPECT_TRUE(freed.empty()) << c.what << ":" << memory::describe(freed);
    }
}

// Each step runs on the vault the steps before it left; after each, no block it freed held a
// marker. Then, locked, no block held at all does.
TEST_F(SecretsInMemory, NoStepOfTheVaultsWorkLeavesAPasswordInFreedMemoryAndTheLockLeavesNoneAtAll) {
    memory::MemoryWatch watch({kMaster, kNewMaster, kLongPassword, kShortPassword, kImported, kImportedWide,
                               kImportedAnsi, kTheirs, kShortOurs, kShortTheirs});
    const Path utf8Csv = (folder.path() / "utf8.csv").string(), utf16Csv = (folder.path() / "utf16.csv").string(),
               ansiCsv = (folder.path() / "ansi.csv").string(), exported = (folder.path() / "out.csv").string();
    const struct Step {
        const char* what;
        std::function<void()> run;
    } steps[] = {
        {"create", [&] {
             VaultFound found;
             OpenOutcome outcome = OpenOutcome::WrongPassword;
             ASSERT_TRUE(session.inspect(found).succeeded());
             ASSERT_TRUE(session.create(kMaster, outcome).succeeded());
             ASSERT_EQ(outcome, OpenOutcome::Opened);
         }},
        {"add and save", [&] {
             session.entries().add(EntryView{"long", kLongPassword, "example.com"});
             session.entries().add(EntryView{"short", kShortPassword, "example.org"});
             ASSERT_TRUE(session.save().succeeded());
         }},
        {"sort by password, edit and delete", [&] {
             session.entries().setSortSettings(true, 1, SortOrder::Descending);
             const EntryId edited = session.entries().add(EntryView{"third", kLongPassword, "example.net"});
             session.entries().replace(edited, EntryView{"third", kShortPassword, "example.net"});
             session.entries().remove(edited);
             session.entries().setSortSettings(false, 0, SortOrder::Ascending);
             ASSERT_TRUE(session.save().succeeded());
         }},
        {"open again, scrambled", [&] { open(kMaster); }},
        {"keep an earlier version", [&] {
             bool kept = false;
             ASSERT_TRUE(session.keepVersion(1'000'000, true, kept).succeeded());
             ASSERT_TRUE(kept);
         }},
        {"encrypt", [&] { changeKey(kMaster, VaultFormat::Encrypted); }},
        {"change the master password", [&] { changeKey(kNewMaster, VaultFormat::Encrypted); }},
        {"open again, encrypted", [&] { open(kNewMaster); }},
        {"open the earlier version", [&] {
             std::vector<KeptVersion> versions;
             ASSERT_TRUE(session.listVersions(versions).succeeded());
             ASSERT_FALSE(versions.empty());
             OpenedFile opened;
             ASSERT_TRUE(session.openVersion(versions.front().path, opened).succeeded());
             EXPECT_EQ(opened.opening, FileOpening::Opened);
         }},
        {"merge another program's change", [&] { mergeAnotherProgramsChange(); }},
        {"import UTF-8", [&] {
             writeFile(utf8Csv, csvWith(kImported));
             import(utf8Csv);
         }},
        {"import UTF-16", [&] {
             writeFile(utf16Csv, utf16Of(csvWith(kImportedWide)));
             import(utf16Csv);
         }},
        {"import in the code page", [&] {
             // A letter of Latin-1 that is no UTF-8 has the file read in the code page.
             SecretString text("url,username,password\r\nhttps://caf\xE9.example/,importer@example.com,");
             writeFile(ansiCsv, text.append(kImportedAnsi).append("\r\n"));
             import(ansiCsv);
         }},
        {"export", [&] { exportTo(exported, CsvExportType::Vellumkeep); }},
        {"export for web browsers", [&] { exportTo(exported, CsvExportType::WebBrowser); }},
        {"lock", [&] { session.close(); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_NO_FATAL_FAILURE(step.run());
        const std::vector<memory::Finding> freed = watch.takeFreedFindings();
        EXPECT_TRUE(freed.empty()) << freed.size() << " freed blocks held a password:" << memory::describe(freed);
    }
    const std::vector<memory::Finding> held = watch.heldFindings();
    EXPECT_TRUE(held.empty()) << held.size() << " blocks still hold a password once locked:"
                              << memory::describe(held);
}

}  // namespace
}  // namespace vk::vault
