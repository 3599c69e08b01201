#include "app/vault_controller.h"

#include <windows.h>

#include <new>
#include <stdexcept>

#include "app/vault_claim.h"
#include "platform/collation.h"
#include "platform/date_time.h"
#include "platform/message_box.h"
#include "platform/parse.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"
#include "vault/vault_session.h"

namespace vk {
namespace {

// The vault's path, the file the failing step worked on when that is another one (the new copy
// written beside the vault, or the file a link leads to), and the system's reason.
std::string describe(const vault::VaultSession& vault, const vault::IoError& error) {
    std::string text = displayText(vault.path());
    if (!error.file.empty() && !vault.files().sameFileName(error.file, vault.path()))
        text += "\r\n\r\nThe step that failed was on:\r\n" + displayText(error.file);
    return text + "\r\n\r\n" + error.reason;
}

// What the vault file holds after a failure, in the user's words.
std::string vaultFileState(const vault::VaultSession& vault) {
    std::string bytes;
    if (vault.files().readAll(vault.path(), bytes).failed()) {
        vault::Path there;
        if (vault.files().finalPath(vault.path(), there).failed())
            return "There is no vault file: nothing was written.";
        return "Vellumkeep has not changed the vault file.";
    }
    if (bytes.empty())
        return "The vault file is empty (0 bytes): it holds no master password and no entries, and Vellumkeep "
               "will take it for a new vault.";
    return "The vault file keeps the content it had.";
}

// What the vault's place holds after a save that failed with `error`, in the user's words. When the
// vault is gone, the new copy written beside it is all there is, and is kept: say where.
std::string stateAfterFailedSave(const vault::VaultSession& vault, const vault::IoError& error) {
    vault::FileSystem& files = vault.files();
    if (files.isFolder(vault.path()))
        return "In the vault file's place there is a folder: Vellumkeep has written nothing there.";
    vault::Path there;
    if (files.finalPath(vault.path(), there).succeeded()) return "The vault file still holds what was saved before.";
    const vault::Path copy = vault::temporaryPathFor(error.file.empty() ? vault.path() : error.file);
    if (files.finalPath(copy, there).failed()) return "There is no vault file: nothing was written.";
    return "The vault file is gone.  Everything you saved is in this copy, which Vellumkeep keeps:\r\n\r\n" +
           displayText(copy) + "\r\n\r\nRetry writes the vault file again; should you close Vellumkeep instead, "
           "rename the copy to " + std::string(vault::kVaultFileName) + " first.";
}

// A vault that exists but cannot be read, or cannot be created, must never be taken for a missing
// one: that would ask for a new master password and overwrite it. Say why and stop.
void reportUnusableVault(VaultController& app, const vault::VaultSession& vault, const vault::IoError& error) {
    messageBox(nullptr,
               "Vellumkeep cannot use its vault file:\r\n\r\n" + describe(vault, error) + "\r\n\r\n" +
                   vaultFileState(vault) +
                   "  Close any program that is using it, or check that you may read and write it and its "
                   "folder, then start Vellumkeep again.",
               app.host().appTitle(), MB_OK | MB_ICONERROR);
    app.host().endProgramAtOnce();
}

// A vault that anything else changed since this copy read or wrote it (a sync tool, a restored
// backup, another program) is replaced only when the user says so; with no window to ask in, it
// is not. A file that cannot be read now is left to the save, which reports it.
bool mayReplaceVault(VaultController& app, vault::VaultSession& vault, HWND owner) {
    bool changed = false;
    if (vault.changedOnDisk(changed).failed() || !changed) return true;
    if (!owner) return false;
    // A save writes where the vault's name leads: a link that now leads elsewhere is named, with the
    // file it would overwrite.
    std::string place = displayText(vault.path());
    vault::Path target;
    if (vault.files().finalPath(vault.path(), target).succeeded() && !vault.files().sameFileName(target, vault.path()))
        place += "\r\n\r\nwhich leads to the file that would be replaced:\r\n" + displayText(target);
    int choice = messageBox(owner,
                            "The vault file was changed by another program since Vellumkeep loaded it:\r\n\r\n" +
                                place +
                                "\r\n\r\nReplace it with the entries in this list?  Choose No to leave the file "
                                "as it is; your change then stays in the list only, unsaved.",
                            app.host().appTitle(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    return choice == IDYES;
}

std::string unsavedStatus(const vault::VaultSession& vault) {
    const std::uint64_t count = vault.unsavedChangeCount();
    if (count > 1)
        return "Not saved: the last " + std::to_string(count) +
               " changes are kept in the list only, until a save succeeds.";
    return "Not saved: the last change is kept in the list only, until a save succeeds.";
}

// A vault larger than the memory the program may use is refused, naming its size; the program
// then ends rather than stay open with a password and no entries.
void reportVaultTooLarge(VaultController& app, const vault::VaultSession& vault) {
    std::optional<std::uint64_t> bytes = vault.files().fileSize(vault.path());
    const std::string size = bytes ? sizeText(*bytes) : "too large";
    messageBox(nullptr,
               "Vellumkeep cannot load its vault file:\r\n\r\n" + displayText(vault.path()) + "\r\n\r\nThe file is " +
                   size +
                   ", more than Vellumkeep can hold in this computer's memory.\r\n\r\nThe file has not "
                   "been changed.",
               app.host().appTitle(), MB_OK | MB_ICONERROR);
    app.host().endProgramAtOnce();
}

// Runs a reading of the vault; false when it failed, the user was told why and the program ended.
template <typename Read>
bool readVault(VaultController& app, const vault::VaultSession& vault, Read read) {
    try {
        vault::IoResult result = read();
        if (result.succeeded()) return true;
        if (result.error().code == ERROR_FILE_TOO_LARGE)
            reportVaultTooLarge(app, vault);
        else
            reportUnusableVault(app, vault, result.error());
    } catch (const std::bad_alloc&) {
        reportVaultTooLarge(app, vault);
    } catch (const std::length_error&) {
        reportVaultTooLarge(app, vault);
    }
    return false;
}

// An encrypted vault that cannot be opened, for a reason of its own (`why`): the file is never
// written and never taken for a new vault. Say so and stop.
void reportUnopenableVault(VaultController& app, const vault::VaultSession& vault, const std::string& why) {
    messageBox(nullptr,
               "Vellumkeep cannot open its vault file:\r\n\r\n" + displayText(vault.path()) + "\r\n\r\n" + why +
                   "\r\n\r\nVellumkeep has not changed the file.",
               app.host().appTitle(), MB_OK | MB_ICONERROR);
    app.host().endProgramAtOnce();
}

constexpr const char* kDamaged =
    "The file is damaged: it is an encrypted vault, but part of it is missing or has been changed, so its "
    "entries cannot be read.  Restore the file from a backup, then start Vellumkeep again.";
constexpr const char* kNewerVersion =
    "The file was saved by a newer version of Vellumkeep, which this one cannot read.  Open it with that "
    "version.";
constexpr const char* kCryptographyFailed =
    "The file is encrypted, and this computer's cryptography (CNG) failed to open it.";

// Writes the session's vault over the file: after the question of an outside change, with Retry
// and Cancel in a box modal to `owner` (none: one quiet attempt). `cancelling` says what Cancel
// leaves. True when the file holds the vault as the session has it.
bool writeVault(VaultController& app, HWND owner, const char* cancelling) {
    vault::VaultSession& vault = app.vault();
    // Entries gone without a command that removes them are a fault's doing: the file keeps them.
    if (vault.missingEntries() > 0) {
        vault::IoResult refused = vault.save();
        if (owner)
            messageBox(owner,
                       "Vellumkeep did not save your entries to:\r\n\r\n" + displayText(vault.path()) + "\r\n\r\n" +
                           refused.error().reason + "  The vault file keeps what it holds.",
                       app.host().appTitle(), MB_OK | MB_ICONERROR);
        return false;
    }
    // Another program's change is merged first; one that cannot be is asked about.
    if (app.bringInOutsideChange(owner) == VaultController::OutsideChange::AskingPassword) return false;
    if (!mayReplaceVault(app, vault, owner)) return false;
    app.keepEarlierVersion();
    for (;;) {
        vault::IoResult saved = vault.save();
        if (saved.succeeded()) return true;
        if (!owner) return false;
        int choice = messageBox(owner,
                                "Vellumkeep could not save your entries to:\r\n\r\n" + describe(vault, saved.error()) +
                                    "\r\n\r\n" + stateAfterFailedSave(vault, saved.error()) + "  Retry, or " +
                                    cancelling,
                                app.host().appTitle(), MB_RETRYCANCEL | MB_ICONWARNING);
        if (choice != IDRETRY) return false;
    }
}

constexpr const char* kZeroFilled =
    "The file is damaged: it holds nothing but zero bytes, as a disk or a file system that fails while a "
    "file is written leaves it.  Restore the file from a backup, then start Vellumkeep again.";
constexpr const char* kKeepsChanging =
    "The file keeps changing while Vellumkeep reads it: another program is writing it.  Close that program, "
    "then start Vellumkeep again.";
// How often the gate reads a vault that changes under it before it gives up.
constexpr int kMostReadsOfAChangingVault = 3;

bool vaultFileThere(const vault::VaultSession& vault) {
    vault::Path there;
    return vault.files().finalPath(vault.path(), there).succeeded();
}

// Where a save writes its new copy before it replaces the vault: beside the file itself.
vault::Path copyPathOf(const vault::VaultSession& vault) {
    vault::Path target;
    if (vault.files().finalPath(vault.path(), target).failed()) target = vault.path();
    return vault::temporaryPathFor(target);
}

// The copy a save wrote beside the vault and could not put in its place, when one is there and
// holds anything. A link in the copy's place is no copy of ours: it goes, and what it leads to stays.
std::optional<vault::Path> leftOverCopy(const vault::VaultSession& vault) {
    vault::FileSystem& files = vault.files();
    const vault::Path copy = copyPathOf(vault);
    const std::optional<std::uint64_t> size = files.fileSize(copy);
    const bool link = files.isLink(copy);
    if (!size && !link) return std::nullopt;
    if (link || *size == 0) {
        (void)files.remove(copy);  // nothing of ours is lost: a link's target stays
        return std::nullopt;
    }
    return copy;
}

// A vault that cannot be opened as it is: a copy beside it, which the last save wrote, is worth more.
bool unusable(const vault::VaultFound& found) {
    return found.size == 0 || found.state == vault::VaultState::Damaged;
}

// The copy takes the vault's place; a vault file that holds anything is kept aside, never replaced.
vault::IoResult putCopyInPlace(const vault::VaultSession& vault, const vault::Path& copy) {
    vault::FileSystem& files = vault.files();
    vault::Path target;
    if (files.finalPath(vault.path(), target).failed()) target = vault.path();
    const std::optional<std::uint64_t> size = files.fileSize(target);
    vault::Path aside;
    if (size && *size > 0) {
        aside = vault::freeNameBeside(files, target, L".damaged");
        if (vault::IoResult moved = files.moveFile(target, aside); moved.failed()) return moved;
    }
    vault::IoResult placed = files.moveFile(copy, target);
    if (placed.failed() && !aside.empty()) (void)files.moveFile(aside, target);
    return placed;
}

// The vault file is missing, empty or damaged, and the copy its last save wrote is beside it: the
// newest save there is. It is offered, and nothing is removed until the user decides: the copy
// takes the vault's place (a damaged vault is kept aside), or the program ends leaving both.
// True when there was no copy, or the copy took the vault's place.
bool offerLeftOverCopy(VaultController& app, const char* vaultIs) {
    vault::VaultSession& vault = app.vault();
    const std::optional<vault::Path> copy = leftOverCopy(vault);
    if (!copy) return true;
    const std::uint64_t size = vault.files().fileSize(*copy).value_or(0);
    int answer = messageBox(nullptr,
                            "Vellumkeep's vault file " + std::string(vaultIs) + ":\r\n\r\n" +
                                displayText(vault.path()) + "\r\n\r\nBeside it is the copy that Vellumkeep's last "
                                "save wrote (" + sizeText(size) + "), which holds your newest entries:\r\n\r\n" +
                                displayText(*copy) +
                                "\r\n\r\nUse this copy as the vault?  Choose No to close Vellumkeep and leave both "
                                "files as they are.",
                            app.host().appTitle(), MB_YESNO | MB_ICONWARNING);
    if (answer != IDYES) {
        app.host().endProgramAtOnce();
        return false;
    }
    vault::IoResult placed = putCopyInPlace(vault, *copy);
    if (placed.succeeded()) return true;
    messageBox(nullptr,
               "Vellumkeep could not put the copy in the vault's place:\r\n\r\n" + displayText(*copy) +
                   "\r\n\r\n" + placed.error().reason + "\r\n\r\nBoth files are as they were.",
               app.host().appTitle(), MB_OK | MB_ICONERROR);
    app.host().endProgramAtOnce();
    return false;
}

// After the vault was inspected: a copy beside a vault that cannot be opened as it is, is offered
// (and the vault inspected again if it is taken). Beside a vault that may open, it stays until the
// vault has opened whole: damage past an encrypted vault's header shows only then. False when the
// program ended.
bool actOnLeftOverCopy(VaultController& app, const vault::VaultFound& found) {
    vault::VaultSession& vault = app.vault();
    if (!unusable(found)) return true;
    if (!offerLeftOverCopy(app, found.size == 0 ? "is empty (0 bytes)" : "is damaged")) return false;
    vault::VaultFound again;
    return readVault(app, vault, [&] { return vault.inspect(again); });
}

// The vault opened whole: the copy a killed save left beside it is the older of the two, and goes.
void removeLeftOverCopy(const VaultController& app) {
    if (std::optional<vault::Path> copy = leftOverCopy(app.vault())) (void)app.vault().files().remove(*copy);
}

// Other names of the vault file (hard links) keep the file as it is now once a save has put a new
// one in its place; said once, at start, while the names still share it.
void warnOfHardLinks(VaultController& app) {
    const vault::VaultSession& vault = app.vault();
    const std::optional<FileIdentity> file = vault.files().identity(vault.path());
    if (!file || file->names < 2) return;
    messageBox(nullptr,
               "Vellumkeep's vault file has " + std::to_string(file->names) + " names (hard links):\r\n\r\n" +
                   displayText(vault.path()) +
                   "\r\n\r\nVellumkeep saves by putting a new file in the place of this name.  From the first "
                   "save on, the other names keep the vault as it is now: they no longer follow your changes, and "
                   "a copy of Vellumkeep started from one of them opens that older vault.  To keep the vault in "
                   "another place, use a shortcut to the folder or a symbolic link instead.",
               app.host().appTitle(), MB_OK | MB_ICONINFORMATION);
}

// Where the program remembers, per vault, that it was encrypted when last opened or saved.
constexpr const char* kEncryptedVaultsSection = "Encrypted Vaults";

std::string formatMarkKey(const VaultController& app) {
    return displayText(vaultPathKey(app.vault().files(), app.vault().path()));
}

// The same, beside the vault file itself: it goes where the vault goes (a renamed or moved folder,
// another computer), where the settings do not follow.
vault::Path markFileOf(const vault::VaultSession& vault) {
    vault::Path target;
    if (vault.files().finalPath(vault.path(), target).failed()) target = vault.path();
    return target + L".encrypted";
}
constexpr std::string_view kMarkFileText =
    "Vellumkeep keeps this file beside its vault, which is encrypted: should the vault ever be found readable, "
    "Vellumkeep asks before anything is written.\r\n";

// A value in the settings that does not plainly say "not encrypted" (typed by hand, stored as a
// number, damaged) marks the vault: asking once too often costs a click, not a vault.
bool markedInSettings(const VaultController& app) {
    const std::string stored = app.settings().get(app.host().product(), kEncryptedVaultsSection, formatMarkKey(app), "");
    return !stored.empty() && parseSwitch(stored).value_or(true);
}

bool markedEncrypted(const VaultController& app) {
    return markedInSettings(app) || app.vault().files().fileSize(markFileOf(app.vault())).has_value();
}

// What the vault file is now, in the words of the question about a vault that was encrypted.
std::string describedAsFound(const vault::VaultFound& found, bool missing) {
    if (missing) return "missing";
    if (found.size == 0) return "empty (0 bytes)";
    if (found.state == vault::VaultState::Fresh) return "a vault without a master password";
    return "scrambled, not encrypted";
}

// A vault that was encrypted when last used and is now empty, missing or scrambled: anyone who can
// write the file (a synced folder) could have put it there, to have the master password typed into
// a vault that saves it readable. The user goes on only by answering Yes; No, the default, ends the
// program and leaves the file as it is.
bool mayGoOnWithoutEncryption(VaultController& app, const vault::VaultFound& found, bool missing) {
    if (found.format == vault::VaultFormat::Encrypted || !markedEncrypted(app)) return true;
    int answer = messageBox(nullptr,
                            "Vellumkeep's vault file was encrypted when you last used it; the file now is " +
                                describedAsFound(found, missing) + ":\r\n\r\n" +
                                displayText(app.vault().path()) +
                                "\r\n\r\nIf you did not change it yourself, something else replaced it: a sync "
                                "tool, a restored older backup, or someone who wants your master password.  Typed "
                                "into this file, the master password would be saved where anyone who can read the "
                                "file can read it.\r\n\r\nGo on with the file as it is now?  Choose No to close "
                                "Vellumkeep and leave the file as it is; then restore the encrypted vault from a "
                                "backup.",
                            app.host().appTitle(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer == IDYES) return true;
    app.host().endProgramAtOnce();
    return false;
}

// Whether the gate may ask for a password for the vault as found: a damaged or newer vault is
// reported and ends the program, as does a No to the question of a vault that lost its encryption
// (unless it was asked already, of a vault that was missing).
bool mayGoOnWith(VaultController& app, const vault::VaultFound& found, bool askedOfMissingVault) {
    vault::VaultSession& vault = app.vault();
    switch (found.state) {
    case vault::VaultState::Damaged:
        reportUnopenableVault(app, vault, found.format == vault::VaultFormat::Encrypted ? kDamaged : kZeroFilled);
        return false;
    case vault::VaultState::NewerVersion: reportUnopenableVault(app, vault, kNewerVersion); return false;
    case vault::VaultState::Fresh:
    case vault::VaultState::Guarded: break;
    }
    return askedOfMissingVault || mayGoOnWithoutEncryption(app, found, false);
}

// Remembers the format the vault was opened or saved in, for the next start's question: in the
// settings and beside the vault.
void rememberVaultFormat(VaultController& app) {
    const bool encrypted = app.vault().format() == vault::VaultFormat::Encrypted;
    if (markedInSettings(app) != encrypted)
        app.settings().save(app.host().product(), kEncryptedVaultsSection, formatMarkKey(app), encrypted ? "1" : "0");
    vault::FileSystem& files = app.vault().files();
    const vault::Path markFile = markFileOf(app.vault());
    const bool marked = files.fileSize(markFile).has_value();
    if (encrypted && !marked)
        (void)files.replaceAtomically(markFile, vault::temporaryPathFor(markFile),
                                      [](const vault::PieceWriter& write) { return write(kMarkFileText); });
    if (!encrypted && marked) (void)files.remove(markFile);
}

void showVaultFormat(VaultController& app) { app.host().showVaultFormat(app.vault().format()); }

}  // namespace

void VaultController::showAndRememberFormat() {
    showVaultFormat(*this);
    rememberVaultFormat(*this);
}

VaultController::VaultController(Host& host, vault::FileSystem& files, vault::Cryptography* crypto,
                                 const SettingsStore& settings, std::wstring folder)
    : host_(host),
      settings_(settings),
      folder_(std::move(folder)),
      vault_(files, vault::vaultPathIn(folder_), &userCollationKey, crypto) {}

bool VaultController::claim() {
    claim_ = claimVault(vault_.files(), folder_);
    return claim_.has_value();
}

vault::EntryId VaultController::addEntry(const vault::Entry& entry) {
    return changeEntries([&] { return vault_.entries().add(entry); });
}

bool VaultController::replaceEntry(vault::EntryId id, const vault::Entry& entry) {
    return changeEntries([&] { return vault_.entries().replace(id, entry); });
}

bool VaultController::removeEntry(vault::EntryId id) {
    return changeEntries([&] { return vault_.entries().remove(id); });
}

void VaultController::sortEntries(bool sorted, int sortKey, vault::SortOrder order) {
    changeEntries([&] { vault_.entries().setSortSettings(sorted, sortKey, order); });
}

bool VaultController::inspect(vault::VaultState& state, Reading reading) {
    vault::VaultSession& vault = vault_;
    bool missing = !vaultFileThere(vault);
    if (missing) {
        if (!offerLeftOverCopy(*this, "is missing")) return false;
        missing = !vaultFileThere(vault);
        // Asked before a fresh vault is made in its place.
        if (missing && !mayGoOnWithoutEncryption(*this, vault::VaultFound{}, true)) return false;
    }
    vault::VaultFound found;
    if (!readVault(*this, vault, [&] { return vault.inspect(found); })) return false;
    if (!missing && !actOnLeftOverCopy(*this, found)) return false;
    if (reading == Reading::AtStart) warnOfHardLinks(*this);
    if (!mayGoOnWith(*this, vault.found(), missing)) return false;
    state = vault.found().state;
    return true;
}

bool VaultController::unlock(const std::string& password) {
    vault::VaultSession& vault = vault_;
    vault::OpenOutcome outcome = vault::OpenOutcome::FileChanged;
    for (int reads = 0; outcome == vault::OpenOutcome::FileChanged; ++reads) {
        if (reads > 0) {
            // What the gate saw is gone: act on what the file is now, as at start.
            if (reads > kMostReadsOfAChangingVault) {
                reportUnopenableVault(*this, vault, kKeepsChanging);
                return true;
            }
            vault::VaultState state = vault::VaultState::Guarded;
            if (!inspect(state, Reading::AtUnlock)) return true;
            if (state == vault::VaultState::Fresh) {
                host_.askForNewPassword();
                return true;
            }
        }
        WaitCursor deriving;  // an encrypted vault's keys take a moment
        if (!readVault(*this, vault, [&] { return vault.open(password, outcome); })) return true;
        // Damaged past its header, which only the open can tell: the copy its last save left beside
        // it, when there is one, is offered now.
        if (outcome == vault::OpenOutcome::Damaged && leftOverCopy(vault)) {
            if (!offerLeftOverCopy(*this, "is damaged")) return true;
            outcome = vault::OpenOutcome::FileChanged;
        }
    }
    switch (outcome) {
    case vault::OpenOutcome::WrongPassword: return false;
    case vault::OpenOutcome::Damaged: reportUnopenableVault(*this, vault, kDamaged); return true;
    case vault::OpenOutcome::NewerVersion: reportUnopenableVault(*this, vault, kNewerVersion); return true;
    case vault::OpenOutcome::CryptographyFailed:
        reportUnopenableVault(*this, vault, vault::withSystemReason(kCryptographyFailed, vault.cryptographyFailure()));
        return true;
    case vault::OpenOutcome::FileChanged:
    case vault::OpenOutcome::Opened: break;
    }
    host_.entriesLoaded();
    host_.setStatusText("Loaded " + std::to_string(vault.entries().count()) + " entries");
    removeLeftOverCopy(*this);
    showVaultFormat(*this);
    rememberVaultFormat(*this);
    // Keys made with fewer iterations than today's are made anew and saved at once; if that save
    // fails, the next one writes them.
    if (vault.keyWeakerThanToday()) {
        WaitCursor deriving;
        if (std::optional<vault::VaultKey> stronger = vault.makeKey(password, vault::VaultFormat::Encrypted)) {
            vault::VaultKey weaker = vault.replaceKey(std::move(*stronger));
            if (!writeVault(*this, nullptr, ""))
                vault.replaceKey(std::move(weaker));
            else
                resealEarlierVersions(nullptr, weaker);
        }
    }
    host_.showUnlocked();
    return true;
}

void VaultController::create(const std::string& password) {
    vault::VaultSession& vault = vault_;
    // A vault without a master password may still hold entries (a restored backup, a hand edit):
    // they stay, and show in the list. The dialog is gone by now: whatever fails is told in a box
    // of its own, and the program ends.
    vault::OpenOutcome outcome = vault::OpenOutcome::FileChanged;
    for (int reads = 0; outcome == vault::OpenOutcome::FileChanged; ++reads) {
        if (reads > 0) {
            if (reads > kMostReadsOfAChangingVault) return reportUnopenableVault(*this, vault, kKeepsChanging);
            vault::VaultState state = vault::VaultState::Fresh;
            if (!inspect(state, Reading::AtUnlock)) return;
            // The file has a master password of its own now: it is asked for.
            if (state == vault::VaultState::Guarded) return host_.askForPassword();
        }
        if (!readVault(*this, vault, [&] { return vault.create(password, outcome); })) return;
    }
    host_.entriesLoaded();
    removeLeftOverCopy(*this);
    rememberVaultFormat(*this);
    const size_t count = vault.entries().count();
    if (count == 0)
        host_.setStatusText("Password created successfully");
    else
        host_.setStatusText("Password created successfully.  The " + std::to_string(count) +
                            (count == 1 ? " entry already in the vault file was kept."
                                        : " entries already in the vault file were kept."));
    host_.showUnlocked();
}

void VaultController::lock() {
    waitingFile_.reset();
    declinedFile_.reset();
    if (!vault_.hasUnsavedChanges()) vault_.close();
}

bool VaultController::unlockKept(HWND owner, const std::string& password) {
    if (!isMasterPassword(owner, password)) return false;
    host_.setStatusText(unsavedStatus(vault_));
    return true;
}

bool VaultController::save(HWND owner) {
    vault::VaultSession& vault = vault_;
    // Marked before the attempt: a save that fails in any way, even for want of memory, leaves a
    // change that closing asks about.
    vault.markUnsaved();
    bool saved = false;
    try {
        saved = writeVault(*this, owner, "Cancel to keep the change in the list only until the next save.");
    } catch (...) {
        // Told by the handler that ran the save; the status line must not still say the last one worked.
        host_.setStatusText(unsavedStatus(vault));
        throw;
    }
    if (!saved) {
        host_.setStatusText(unsavedStatus(vault));
        return false;
    }
    rememberVaultFormat(*this);
    host_.setStatusText("Saved " + generalDateTimeNow());
    return true;
}

bool VaultController::checkPassword(HWND owner, const std::function<bool(bool& failed)>& check) {
    bool failed = false;
    bool right;
    {
        WaitCursor deriving;
        right = check(failed);
    }
    if (failed)
        messageBox(owner,
                   vault::withSystemReason(
                       "This computer's cryptography (CNG) failed, so Vellumkeep cannot check the password.",
                       vault_.cryptographyFailure()),
                   host_.appTitle(), MB_OK | MB_ICONERROR);
    return right;
}

bool VaultController::isMasterPassword(HWND owner, const std::string& password) {
    return checkPassword(owner, [&](bool& failed) { return vault_.isMasterPassword(password, failed); });
}

bool VaultController::saveWithNewKey(HWND owner, const std::string& password, vault::VaultFormat format,
                                     const std::string& done) {
    vault::VaultSession& vault = vault_;
    // Another program's change comes in under the key the file has now.
    if (bringInOutsideChange(owner) == OutsideChange::AskingPassword) return false;
    std::optional<vault::VaultKey> key;
    {
        WaitCursor deriving;
        key = vault.makeKey(password, format);
    }
    if (!key) {
        messageBox(owner,
                   vault::withSystemReason(
                       "This computer's cryptography (CNG) failed, so Vellumkeep cannot encrypt the vault.",
                       vault.cryptographyFailure()),
                   host_.appTitle(), MB_OK | MB_ICONERROR);
        return false;
    }
    vault::VaultKey previous = vault.replaceKey(std::move(*key));
    // Whatever fails, memory running out too, the vault keeps the key the file has.
    auto keepOldKey = [&] {
        vault.replaceKey(std::move(previous));
        host_.setStatusText("Not changed: the vault file keeps what was saved before.");
    };
    bool saved = false;
    try {
        saved = writeVault(*this, owner, "Cancel to leave the vault as it was.");
    } catch (...) {
        keepOldKey();
        throw;
    }
    if (!saved) {
        keepOldKey();
        return false;
    }
    showVaultFormat(*this);
    rememberVaultFormat(*this);
    host_.setStatusText(done + "  Saved " + generalDateTimeNow());
    // No kept copy may stay weaker than the vault: an old master password must open none of them.
    resealEarlierVersions(owner, previous);
    return true;
}

}  // namespace vk
