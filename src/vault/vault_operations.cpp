#include "vault/vault_operations.h"

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

std::string describe(const vault::VaultStore& store, const vault::IoError& error) {
    return displayText(store.path()) + "\r\n\r\n" + error.reason;
}

// A vault that exists but cannot be read, or cannot be created, must never be taken for a missing
// one: that would ask for a new master password and overwrite it. Say why and stop.
void reportUnusableVault(Program& app, const vault::VaultStore& store, const vault::IoError& error) {
    messageBox(nullptr,
               "Vellumkeep cannot use its vault file:\r\n\r\n" + describe(store, error) +
                   "\r\n\r\nThe file has not been changed.  Close any program that is using it, or check "
                   "that you may read and write it and its folder, then start Vellumkeep again.",
               app.appTitle(), MB_OK | MB_ICONERROR);
    app.endProgramAtOnce();
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
        std::optional<vault::IoError> error = read();
        if (!error) return true;
        if (error->code == ERROR_FILE_TOO_LARGE)
            reportVaultTooLarge(app, store);
        else
            reportUnusableVault(app, store, *error);
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
    return readVault(app, store, [&] { return store.readStoredPassword(password); });
}

void loadVault(Program& app) {
    vault::VaultStore store = vaultStore(app);
    size_t count = 0;
    bool loaded = readVault(app, store, [&]() -> vault::IoResult {
        vault::EntryTable entries;
        if (auto error = store.loadEntries(entries)) return error;
        count = entries.size();
        app.Form1.lstPass.addAll(std::move(entries));
        return std::nullopt;
    });
    if (!loaded) return;
    SetStatusText(app, "Loaded " + std::to_string(count) + " entries");
    app.Form1.afterFormLoad();
}

void createVault(Program& app) {
    app.frmPass.unload();
    doEvents();
    vault::VaultStore store = vaultStore(app);
    if (auto error = store.createVault(app.masterPassword)) {
        reportUnusableVault(app, store, *error);
        return;
    }
    SetStatusText(app, "Password created successfully");
    app.Form1.afterFormLoad();
}

bool saveVault(Program& app, HWND owner) {
    // Marked before the attempt: a save that fails in any way, even for want of memory, leaves a
    // change that closing asks about.
    app.Form1.unsavedChanges = true;
    std::string content = savedVaultContent(app.masterPassword, app.Form1.entries());

    vault::VaultStore store = vaultStore(app);
    for (;;) {
        auto error = store.saveVault(content);
        if (!error) {
            app.Form1.unsavedChanges = false;
            SetStatusText(app, "Saved " + generalDateTimeNow());
            return true;
        }
        if (!owner) break;
        int choice = messageBox(owner,
                                "Vellumkeep could not save your entries to:\r\n\r\n" + describe(store, *error) +
                                    "\r\n\r\nThe file still holds what was saved before.  Retry, or Cancel to keep "
                                    "the change in the list only until the next save.",
                                app.appTitle(), MB_RETRYCANCEL | MB_ICONWARNING);
        if (choice != IDRETRY) break;
    }
    app.Form1.unsavedChanges = true;
    SetStatusText(app, "Not saved: the last change is kept in the list only, until a save succeeds.");
    return false;
}

}  // namespace vk
