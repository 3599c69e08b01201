#include "vault/vault_operations.h"

#include <windows.h>

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

}  // namespace

bool readStoredPassword(Program& app, std::string& password) {
    vault::VaultStore store = vaultStore(app);
    if (auto error = store.readStoredPassword(password)) {
        reportUnusableVault(app, store, *error);
        return false;
    }
    return true;
}

void loadVault(Program& app) {
    vault::VaultStore store = vaultStore(app);
    vault::EntryTable entries;
    if (auto error = store.loadEntries(entries)) {
        reportUnusableVault(app, store, *error);
        return;
    }
    size_t count = entries.size();
    app.Form1.lstPass.addAll(std::move(entries));
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

bool saveVault(Program& app) {
    std::string content = savedVaultContent(app.masterPassword, app.Form1.entries());

    vault::VaultStore store = vaultStore(app);
    for (;;) {
        auto error = store.saveVault(content);
        if (!error) {
            app.Form1.unsavedChanges = false;
            SetStatusText(app, "Saved " + generalDateTimeNow());
            return true;
        }
        int choice = messageBox(app.Form1.hwnd(),
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
