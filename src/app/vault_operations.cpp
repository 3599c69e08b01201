#include "app/vault_operations.h"

#include <windows.h>

#include <new>
#include <stdexcept>

#include "app/program.h"
#include "platform/date_time.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/text.h"
#include "vault/vault_store.h"

namespace vk {
namespace {

vault::VaultStore vaultStore(Program& app) {
    return vault::VaultStore(*app.env.files, vault::vaultPathIn(app.env.App.Path));
}

// The vault's path, the file the failing step worked on when that is another one (the new copy
// written beside the vault, or the file a link leads to), and the system's reason.
std::string describe(Program& app, const vault::VaultStore& store, const vault::IoError& error) {
    std::string text = displayText(store.path());
    if (!error.file.empty() && !app.env.files->sameFileName(error.file, store.path()))
        text += "\r\n\r\nThe step that failed was on:\r\n" + displayText(error.file);
    return text + "\r\n\r\n" + error.reason;
}

// What the vault file holds after a failure, in the user's words.
std::string vaultFileState(Program& app, const vault::VaultStore& store) {
    std::string bytes;
    if (app.env.files->readAll(store.path(), bytes).failed()) {
        vault::Path there;
        if (app.env.files->finalPath(store.path(), there).failed()) return "There is no vault file: nothing was written.";
        return "Vellumkeep has not changed the vault file.";
    }
    if (bytes.empty())
        return "The vault file is empty (0 bytes): it holds no master password and no entries, and Vellumkeep "
               "will take it for a new vault.";
    return "The vault file keeps the content it had.";
}

// A vault that exists but cannot be read, or cannot be created, must never be taken for a missing
// one: that would ask for a new master password and overwrite it. Say why and stop.
void reportUnusableVault(Program& app, const vault::VaultStore& store, const vault::IoError& error) {
    messageBox(nullptr,
               "Vellumkeep cannot use its vault file:\r\n\r\n" + describe(app, store, error) + "\r\n\r\n" +
                   vaultFileState(app, store) +
                   "  Close any program that is using it, or check that you may read and write it and its "
                   "folder, then start Vellumkeep again.",
               app.appTitle(), MB_OK | MB_ICONERROR);
    app.endProgramAtOnce();
}

// A vault that anything else changed since this copy read or wrote it (a sync tool, a restored
// backup, another program) is replaced only when the user says so; with no window to ask in, it
// is not. A file that cannot be read now is left to the save, which reports it.
bool mayReplaceVault(Program& app, vault::VaultStore& store, HWND owner) {
    bool changed = false;
    if (store.changedSince(app.vaultAsKnown, changed).failed() || !changed) return true;
    if (!owner) return false;
    int choice = messageBox(owner,
                            "The vault file was changed by another program since Vellumkeep loaded it:\r\n\r\n" +
                                displayText(store.path()) +
                                "\r\n\r\nReplace it with the entries in this list?  Choose No to leave the file "
                                "as it is; your change then stays in the list only, unsaved.",
                            app.appTitle(), MB_YESNO | MB_ICONWARNING);
    return choice == IDYES;
}

std::string unsavedStatus(const MainWindow& form) {
    const std::uint64_t count = form.unsavedChangeCount();
    if (count > 1)
        return "Not saved: the last " + std::to_string(count) +
               " changes are kept in the list only, until a save succeeds.";
    return "Not saved: the last change is kept in the list only, until a save succeeds.";
}

std::string byteCount(unsigned long long bytes) {
    std::string digits = std::to_string(bytes);
    if (bytes >= (1u << 20)) return std::to_string((bytes + (1u << 19)) >> 20) + " MB (" + digits + " bytes)";
    return digits + " bytes";
}

// A vault larger than the memory the program may use is refused, naming its size; the program
// then ends rather than stay open with a password and no entries.
void reportVaultTooLarge(Program& app, const vault::VaultStore& store) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    std::string size = "too large";
    if (GetFileAttributesExW(store.path().c_str(), GetFileExInfoStandard, &data))
        size = byteCount((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    messageBox(nullptr,
               "Vellumkeep cannot load its vault file:\r\n\r\n" + displayText(store.path()) + "\r\n\r\nThe file is " +
                   size + ", more than Vellumkeep can hold in this computer's memory.\r\n\r\nThe file has not "
                   "been changed.",
               app.appTitle(), MB_OK | MB_ICONERROR);
    app.endProgramAtOnce();
}

// Runs a reading of the vault; false when it failed, the user was told why and the program ended.
template <typename Read>
bool readVault(Program& app, const vault::VaultStore& store, Read read) {
    try {
        vault::IoResult result = read();
        if (result.succeeded()) return true;
        if (result.error().code == ERROR_FILE_TOO_LARGE)
            reportVaultTooLarge(app, store);
        else
            reportUnusableVault(app, store, result.error());
    } catch (const std::bad_alloc&) {
        reportVaultTooLarge(app, store);
    } catch (const std::length_error&) {
        reportVaultTooLarge(app, store);
    }
    return false;
}

}  // namespace

bool readStoredPassword(Program& app, std::string& password) {
    vault::VaultStore store = vaultStore(app);
    if (!readVault(app, store, [&] { return store.readStoredPassword(password); })) return false;
    app.vaultAsKnown = *store.seen();
    return true;
}

void loadVault(Program& app) {
    vault::VaultStore store = vaultStore(app);
    size_t count = 0;
    bool loaded = readVault(app, store, [&]() -> vault::IoResult {
        vault::EntryTable entries;
        if (vault::IoResult result = store.loadEntries(entries); result.failed()) return result;
        count = entries.size();
        app.Form1.lstPass.addAll(std::move(entries));
        return vault::IoResult::success();
    });
    if (!loaded) return;
    app.vaultAsKnown = *store.seen();
    SetStatusText(app, "Loaded " + std::to_string(count) + " entries");
    app.Form1.afterFormLoad();
}

void createVault(Program& app) {
    app.frmPass.unload();
    doEvents();
    vault::VaultStore store = vaultStore(app);
    // A vault without a master password may still hold entries (a restored backup, a hand edit):
    // they stay, and show in the list.
    vault::EntryTable kept;
    if (vault::IoResult created = store.createVault(app.masterPassword, &kept); created.failed()) {
        reportUnusableVault(app, store, created.error());
        return;
    }
    app.vaultAsKnown = *store.seen();
    const size_t count = kept.size();
    app.Form1.lstPass.addAll(std::move(kept));
    if (count == 0)
        SetStatusText(app, "Password created successfully");
    else
        SetStatusText(app, "Password created successfully.  The " + std::to_string(count) +
                               (count == 1 ? " entry already in the vault file was kept."
                                           : " entries already in the vault file were kept."));
    app.Form1.afterFormLoad();
}

bool saveVault(Program& app, HWND owner) {
    // Marked before the attempt: a save that fails in any way, even for want of memory, leaves a
    // change that closing asks about.
    app.Form1.unsavedChanges = true;
    vault::VaultStore store = vaultStore(app);
    if (mayReplaceVault(app, store, owner)) {
        // Written from the list piece by piece: a big vault is never held twice over.
        auto content = [&](const vault::PieceWriter& write) {
            return vault::writeVaultContent(app.masterPassword, app.Form1.entries(), write);
        };
        for (;;) {
            vault::IoResult saved = store.saveVault(content);
            if (saved.succeeded()) {
                app.vaultAsKnown = *store.seen();
                app.Form1.unsavedChanges = false;
                app.Form1.markChangesSaved();
                SetStatusText(app, "Saved " + generalDateTimeNow());
                return true;
            }
            if (!owner) break;
            int choice = messageBox(owner,
                                    "Vellumkeep could not save your entries to:\r\n\r\n" +
                                        describe(app, store, saved.error()) +
                                        "\r\n\r\nThe vault file still holds what was saved before.  Retry, or "
                                        "Cancel to keep the change in the list only until the next save.",
                                    app.appTitle(), MB_RETRYCANCEL | MB_ICONWARNING);
            if (choice != IDRETRY) break;
        }
    }
    app.Form1.unsavedChanges = true;
    SetStatusText(app, unsavedStatus(app.Form1));
    return false;
}

}  // namespace vk
