// The vault store with real files in a fresh temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "posix_file_system.h"
#include "vault_samples.h"
#include "vault/vault_session.h"
#include "vault/vault_store.h"

namespace vk::vault {
namespace {

namespace fs = std::filesystem;

// A folder of its own for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        path_ = fs::temp_directory_path() /
                ("vk-vault-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        fs::create_directory(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

size_t openDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

std::string savedVault(std::string_view master, const std::vector<Entry>& entries) {
    SavedVaultBuilder builder(master, entries.size());
    for (const auto& e : entries) builder.add(e);
    return builder.finish();
}

class VaultStoreTest : public ::testing::Test {
protected:
    TempFolder folder;
    Path vault = vaultPathIn(folder.path());
    PosixFileSystem files;
    VaultStore store{files, vault};
};

// --- Paths ------------------------------------------------------------------------------------

TEST(VaultPaths, AreJoinedAsText) {
    EXPECT_EQ(vaultPathIn("/home/user/app"), "/home/user/app/data.enc");
    EXPECT_EQ(vaultPathIn("folder/"), "folder//data.enc");  // text, not the path operator
    EXPECT_EQ(vaultPathIn(""), "/data.enc");
    EXPECT_EQ(temporaryPathFor("/a/data.enc"), "/a/data.enc.tmp");
    EXPECT_EQ(temporaryPathFor(vaultPathIn("x")), "x/data.enc.tmp");
}

// --- Whether the vault is there ---------------------------------------------------------------

TEST_F(VaultStoreTest, FileExistsForAnOrdinaryFileInAnyLetterCase) {
    EXPECT_FALSE(fileExists(files, vault));
    writeFile(vault, "x");
    EXPECT_TRUE(fileExists(files, vault));
    EXPECT_TRUE(fileExists(files, folder.path() / "DATA.ENC"));
    EXPECT_TRUE(fileExists(files, folder.path() / "Data.Enc"));
    EXPECT_FALSE(fileExists(files, folder.path() / "data.en"));
    EXPECT_FALSE(fileExists(files, folder.path() / "data.enc.tmp"));
}

TEST_F(VaultStoreTest, FileExistsIsFalseForWhatIsNotAnOrdinaryFile) {
    fs::create_directory(folder.path() / "sub");
    writeFile(folder.path() / "sub" / "inner", "x");
    writeFile(folder.path() / ".hidden", "x");
    EXPECT_FALSE(fileExists(files, folder.path() / "sub"));
    EXPECT_FALSE(fileExists(files, folder.path() / "SUB"));
    EXPECT_FALSE(fileExists(files, Path(folder.path().native() + "/sub/")));
    EXPECT_FALSE(fileExists(files, folder.path() / ".hidden"));
    EXPECT_FALSE(fileExists(files, Path("")));
    EXPECT_FALSE(fileExists(files, folder.path() / "missing" / "data.enc"));
    EXPECT_TRUE(fileExists(files, folder.path() / "sub" / "inner"));  // the same helpers do find files
}

// A file system that answers the listing question as told, to check what fileExists makes of it.
class ListingFileSystem : public PosixFileSystem {
public:
    std::optional<Path> answer;
    bool fail = false;
    std::optional<Path> firstOrdinaryFileName(const Path&) override {
        if (fail) throw std::runtime_error("listing failed");
        return answer;
    }
};

TEST(FileExists, ComparesTheListedNameWithTheLastPathPart) {
    ListingFileSystem listing;
    listing.answer = "DATA.enc";
    EXPECT_TRUE(fileExists(listing, "/x/y/data.enc"));
    EXPECT_TRUE(fileExists(listing, "data.enc"));
    EXPECT_FALSE(fileExists(listing, "/x/data.enc/"));
    EXPECT_FALSE(fileExists(listing, "/x/other.enc"));
    listing.answer = "data.enc2";
    EXPECT_FALSE(fileExists(listing, "/x/data.enc"));
    listing.answer.reset();
    EXPECT_FALSE(fileExists(listing, "/x/data.enc"));
    listing.answer = "data.enc";
    listing.fail = true;
    EXPECT_FALSE(fileExists(listing, "/x/data.enc"));
}

// --- Reading ----------------------------------------------------------------------------------

TEST_F(VaultStoreTest, AMissingVaultIsCreatedFresh) {
    std::string password = "left over";
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    EXPECT_EQ(password, "");
    EXPECT_EQ(readFile(vault), "\r\n");

    fs::remove(vault);
    std::vector<Entry> entries{{"stale", "", ""}};
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(readFile(vault), "\r\n");
}

TEST_F(VaultStoreTest, AZeroByteVaultStaysAsItIsAndReadsAsFresh) {
    writeFile(vault, "");
    std::string password = "x";
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    EXPECT_EQ(password, "");
    EXPECT_EQ(readFile(vault), "");
}

TEST_F(VaultStoreTest, AnExistingVaultIsReadAsStored) {
    std::vector<Entry> stored{{"u1", "p1", "l1"}, {"u2", "", "l2"}};
    std::string bytes = savedVault("master", stored);
    writeFile(vault, bytes);

    std::string password;
    std::vector<Entry> entries;
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    EXPECT_EQ(password, "master");
    EXPECT_EQ(entries, stored);
    EXPECT_EQ(readFile(vault), bytes);  // reading changes nothing
}

TEST_F(VaultStoreTest, AHiddenVaultIsReadAndNeverWritten) {
    VaultStore hidden(files, folder.path() / ".data.enc");
    std::string bytes = scrambleText("pw") + "\r\n" + scrambleText("u|||p|||l");
    writeFile(hidden.path(), bytes);

    std::vector<Entry> entries;
    ASSERT_TRUE(loadEntries(hidden, entries).succeeded());
    EXPECT_EQ(readFile(hidden.path()), bytes);
    EXPECT_EQ(entries, (std::vector<Entry>{{"u", "p", "l"}}));
    std::string password;
    ASSERT_TRUE(readStoredPassword(hidden, password).succeeded());
    EXPECT_EQ(password, "pw");
    EXPECT_EQ(readFile(hidden.path()), bytes);
}

TEST_F(VaultStoreTest, ReadingAMissingFileIsAnErrorAndCreatesNothing) {
    std::string bytes = "unchanged";
    IoResult result = files.readAll(vault, bytes);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.error().code, static_cast<unsigned long>(ENOENT));
    EXPECT_EQ(bytes, "unchanged");
    EXPECT_FALSE(fs::exists(vault));
}

TEST_F(VaultStoreTest, AFolderInTheVaultsPlaceIsAnErrorNotAMissingVault) {
    fs::create_directory(vault);
    std::string password = "unchanged";
    std::vector<Entry> entries{{"unchanged", "", ""}};
    IoResult read = readStoredPassword(store, password);
    IoResult load = loadEntries(store, entries);
    IoResult save = store.saveVault(savedVault("pw", {}));
    ASSERT_TRUE(read.failed() && load.failed() && save.failed());
    EXPECT_EQ(read.error().code, static_cast<unsigned long>(EISDIR));
    EXPECT_FALSE(read.error().reason.empty());
    EXPECT_EQ(password, "unchanged");
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_TRUE(fs::is_directory(vault));
    EXPECT_FALSE(fs::exists(temporaryPathFor(vault)));
}

TEST_F(VaultStoreTest, AnUnreadableVaultIsAnErrorAndKeepsItsBytes) {
    std::string bytes = createdVault("pw");
    writeFile(vault, bytes);
    fs::permissions(vault, fs::perms::none);
    // Permissions do not stop the superuser: it reads as the unprivileged user "nobody" meanwhile.
    const bool superuser = ::geteuid() == 0;
    if (superuser) {
        ASSERT_EQ(::seteuid(65534), 0) << std::strerror(errno);
    }
    std::string password = "unchanged";
    IoResult result = readStoredPassword(store, password);
    if (superuser) {
        ASSERT_EQ(::seteuid(0), 0) << std::strerror(errno);
    }
    fs::permissions(vault, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.error().code, static_cast<unsigned long>(EACCES));
    EXPECT_EQ(password, "unchanged");
    EXPECT_EQ(readFile(vault), bytes);
}

// A file system whose reads fail, to see that the store passes the error on.
class UnreadableFileSystem : public PosixFileSystem {
public:
    IoResult readAll(const Path&, std::string&) override { return IoError{EIO, "Input/output error", {}}; }
};

TEST_F(VaultStoreTest, AFailedReadIsPassedOnAndLeavesTheResultsAlone) {
    writeFile(vault, savedVault("pw", {{"u", "p", "l"}}));
    UnreadableFileSystem unreadable;
    VaultStore failing(unreadable, vault);
    std::string password = "unchanged";
    std::vector<Entry> entries;
    IoResult read = readStoredPassword(failing, password);
    IoResult load = loadEntries(failing, entries);
    ASSERT_TRUE(read.failed() && load.failed());
    EXPECT_EQ(read.error().code, static_cast<unsigned long>(EIO));
    EXPECT_EQ(load.error().reason, "Input/output error");
    EXPECT_EQ(password, "unchanged");
    EXPECT_TRUE(entries.empty());
}

// --- Writing ----------------------------------------------------------------------------------

TEST_F(VaultStoreTest, CreateAndSaveRoundTrip) {
    ASSERT_TRUE(createVault(store, "abc").succeeded());
    EXPECT_EQ(readFile(vault), createdVault("abc"));
    std::string password;
    std::vector<Entry> entries{{"stale", "", ""}};
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    EXPECT_EQ(password, "abc");
    EXPECT_TRUE(entries.empty());

    std::vector<Entry> saved{{"abc", "", "abc"}, {"user", "p|w", "https://example.org"}, {"", "", ""}};
    std::string bytes = savedVault("new master", saved);
    ASSERT_TRUE(store.saveVault(bytes).succeeded());
    EXPECT_EQ(readFile(vault), bytes);
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    EXPECT_EQ(password, "new master");
    EXPECT_EQ(entries, saved);
    EXPECT_FALSE(fs::exists(temporaryPathFor(vault)));
}

TEST_F(VaultStoreTest, ManyEntriesRoundTrip) {
    std::vector<Entry> saved;
    for (int i = 0; i < 33000; ++i) saved.push_back({"user" + std::to_string(i), "pw" + std::to_string(i), "site"});
    ASSERT_TRUE(store.saveVault(savedVault("m", saved)).succeeded());
    std::vector<Entry> loaded;
    ASSERT_TRUE(loadEntries(store, loaded).succeeded());
    EXPECT_EQ(loaded, saved);
}

// A big vault is written and read back in pieces: what a save remembers of it is what the file
// holds, so an unchanged file reads as unchanged and a change anywhere in it shows.
TEST_F(VaultStoreTest, ABigVaultWrittenInPiecesIsKnownForWhatItHolds) {
    const std::string content = savedVault("m", std::vector<Entry>(20000, Entry{"user", "password", "site"}));
    ASSERT_TRUE(store
                    .saveVault([&](const PieceWriter& write) -> IoResult {
                        for (size_t at = 0; at < content.size(); at += 4099)  // pieces of an odd size
                            if (IoResult result = write(std::string_view(content).substr(at, 4099)); result.failed())
                                return result;
                        return IoResult::success();
                    })
                    .succeeded());
    EXPECT_EQ(readFile(vault), content);
    bool changed = true;
    ASSERT_TRUE(store.changedSince(*store.seen(), changed).succeeded());
    EXPECT_FALSE(changed);
    std::string edited = content;
    edited[edited.size() * 3 / 4] ^= 1;
    writeFile(vault, edited);
    ASSERT_TRUE(store.changedSince(*store.seen(), changed).succeeded());
    EXPECT_TRUE(changed);
}

TEST_F(VaultStoreTest, ALeftOverTemporaryIsReplacedByTheNextSave) {
    writeFile(temporaryPathFor(vault), "left by a crash, longer than the new content");
    ASSERT_TRUE(createVault(store, "pw").succeeded());
    EXPECT_EQ(readFile(vault), createdVault("pw"));
    EXPECT_FALSE(fs::exists(temporaryPathFor(vault)));
}

TEST_F(VaultStoreTest, ASaveIntoAMissingFolderFailsCleanly) {
    TempFolder other;
    Path gone = vaultPathIn(other.path() / "gone");
    VaultStore lost(files, gone);
    IoResult result = lost.saveVault(savedVault("pw", {}));
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.error().code, static_cast<unsigned long>(ENOENT));
    EXPECT_FALSE(result.error().reason.empty());
    EXPECT_FALSE(fs::exists(other.path() / "gone"));
}

TEST_F(VaultStoreTest, EveryOperationClosesItsFiles) {
    size_t before = openDescriptors();
    std::string password;
    std::vector<Entry> entries;
    ASSERT_TRUE(readStoredPassword(store, password).succeeded());
    ASSERT_TRUE(createVault(store, "pw").succeeded());
    ASSERT_TRUE(store.saveVault(savedVault("pw", {{"u", "p", "l"}})).succeeded());
    ASSERT_TRUE(loadEntries(store, entries).succeeded());
    fs::create_directory(folder.path() / "blocked");
    VaultStore failing(files, vaultPathIn(folder.path() / "blocked"));
    fs::create_directory(failing.path());
    EXPECT_TRUE(failing.saveVault("x").failed());
    EXPECT_EQ(openDescriptors(), before);
}

// The real file system, with one step of the replace made to fail; it notes what it saw.
class FailingFileSystem : public PosixFileSystem {
public:
    std::optional<WriteStep> failAt;
    std::vector<WriteStep> steps;
    Path temporary;
    std::vector<bool> temporaryExisted;

    off_t flushedSize = -1;  // how many bytes the flushed file held

protected:
    IoResult beforeStep(WriteStep step) override {
        steps.push_back(step);
        temporaryExisted.push_back(fs::exists(temporary));
        if (step == failAt) return IoError{ENOSPC, "No space left on device", {}};
        return IoResult::success();
    }
    IoResult flushToDisk(int fd) override {
        struct stat info {};
        flushedSize = ::fstat(fd, &info) == 0 ? info.st_size : -1;
        if (IoResult result = beforeStep(WriteStep::Flush); result.failed()) return result;
        return PosixFileSystem::flushToDisk(fd);
    }
};

TEST_F(VaultStoreTest, TheReplaceTakesItsStepsInOrder) {
    FailingFileSystem recording;
    recording.temporary = temporaryPathFor(vault);
    VaultStore recorded(recording, vault);
    ASSERT_TRUE(recorded.saveVault("content").succeeded());
    EXPECT_EQ(recording.steps, (std::vector<WriteStep>{WriteStep::CreateTemporary, WriteStep::Write,
                                                        WriteStep::Flush, WriteStep::Close, WriteStep::Replace}));
    EXPECT_EQ(recording.temporaryExisted, (std::vector<bool>{false, true, true, true, true}));
    EXPECT_EQ(recording.flushedSize, 7);  // the flush itself ran, on the whole new content
    EXPECT_EQ(readFile(vault), "content");
}

TEST_F(VaultStoreTest, ASaveKeepsTheVaultsPermissionsAndALinkStaysALink) {
    writeFile(vault, "old");
    fs::permissions(vault, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(store.saveVault("new").succeeded());
    EXPECT_EQ(fs::status(vault).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directory(folder.path() / "sync");
    const fs::path target = folder.path() / "sync" / "vault.enc";
    fs::rename(vault, target);
    fs::create_symlink("sync/vault.enc", vault);
    ASSERT_TRUE(store.saveVault("newer").succeeded());
    EXPECT_TRUE(fs::is_symlink(vault));
    EXPECT_EQ(readFile(target), "newer");
    EXPECT_FALSE(fs::exists(temporaryPathFor(vault)));
    EXPECT_EQ(vaultIdentity(files, vault), target.native());
}

TEST_F(VaultStoreTest, AFailureAtAnyStepLeavesTheOldVaultAndNoTemporary) {
    const std::string oldBytes = savedVault("old", {{"u", "p", "l"}});
    const std::string newBytes = savedVault("new", {{"other", "entries", "here"}, {"and", "more", ""}});
    for (WriteStep step : {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::Flush, WriteStep::Close,
                           WriteStep::Replace}) {
        SCOPED_TRACE(static_cast<int>(step));
        writeFile(vault, oldBytes);
        FailingFileSystem failing;
        failing.failAt = step;
        failing.temporary = temporaryPathFor(vault);
        VaultStore failingStore(failing, vault);

        IoResult result = failingStore.saveVault(newBytes);
        ASSERT_TRUE(result.failed());
        EXPECT_EQ(result.error().code, static_cast<unsigned long>(ENOSPC));
        EXPECT_EQ(result.error().reason, "No space left on device");
        EXPECT_EQ(failing.steps.back(), step);  // nothing after the failed step
        EXPECT_EQ(result.error().file, step == WriteStep::Replace ? vault : failing.temporary);  // the file that failed
        EXPECT_EQ(readFile(vault), oldBytes);
        EXPECT_FALSE(fs::exists(failing.temporary));

        result = createVault(failingStore, "new");
        ASSERT_TRUE(result.failed());
        EXPECT_EQ(readFile(vault), oldBytes);
        EXPECT_FALSE(fs::exists(failing.temporary));
    }
}

// Entries leave the vault only by a command that removes them: a save that would write fewer
// entries than the file holds, for any other reason, is refused and the file keeps them; a
// closed vault is never opened again by a key put back into it.
TEST_F(VaultStoreTest, ASaveNeverWritesFewerEntriesThanTheFileHeldUnlessTheyWereRemoved) {
    const std::vector<Entry> held{{"ann", "pw-1", ""}, {"bob", "pw-2", ""}, {"cy", "pw-3", ""}};
    writeFile(vault, savedVault("master", held));
    VaultSession session(files, vault, &simpleCollationKey, nullptr);
    auto reopen = [&] {
        session.close();
        VaultFound found;
        OpenOutcome outcome;
        ASSERT_TRUE(session.inspect(found).succeeded());
        ASSERT_TRUE(session.open("master", outcome).succeeded());
        ASSERT_EQ(outcome, OpenOutcome::Opened);
    };
    reopen();
    ASSERT_TRUE(session.entries().remove(session.entries().idAt(0)));
    ASSERT_TRUE(session.save().succeeded());
    EXPECT_EQ(entriesOf(readFile(vault)), (std::vector<Entry>{held[1], held[2]}));
    const std::string saved = readFile(vault);

    struct Fault {
        const char* what;
        std::function<void()> loseEntries;
    } faults[] = {
        {"the list emptied under an open vault", [&] { session.entries().dropAll(); }},
        {"the key put back into a closed vault", [&] { session.close(), session.replaceKey(VaultKey::scrambled("master")); }},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        reopen();
        fault.loseEntries();
        session.entries().add(Entry{"dee", "pw-4", ""});
        EXPECT_TRUE(session.save().failed());
        EXPECT_EQ(readFile(vault), saved);
    }
    reopen();
    session.entries().dropAll();
    session.takeEntriesAsChosen();  // a restore or a merge that chose fewer entries
    EXPECT_TRUE(session.save().succeeded());
    EXPECT_TRUE(entriesOf(readFile(vault)).empty());
}

}  // namespace
}  // namespace vk::vault
