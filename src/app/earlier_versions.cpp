// Earlier versions of the vault, as the program keeps, lists, restores and re-seals them.
#include <windows.h>

#include <new>

#include "app/vault_controller.h"
#include "platform/date_time.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/wait_cursor.h"

namespace vk {
namespace {

constexpr size_t kVersionsNamed = 5;

std::string entriesText(size_t count) { return std::to_string(count) + (count == 1 ? " entry" : " entries"); }

// Why a kept file cannot be read as a version of this vault.
std::string unreadableText(vault::FileOpening opening) {
    switch (opening) {
    case vault::FileOpening::OtherKey: return "encrypted with another master password";
    case vault::FileOpening::Damaged: return "damaged";
    case vault::FileOpening::NewerVersion: return "saved by a newer version of Vellumkeep";
    case vault::FileOpening::CryptographyFailed: return "this computer's cryptography (CNG) failed to open it";
    default: break;
    }
    return "not a vault";
}

// The versions that could not be sealed anew, named with why, for the question of their removal.
std::string unsealedText(const std::vector<vault::UnsealedVersion>& unsealed) {
    std::string text;
    for (size_t i = 0; i < unsealed.size() && i < kVersionsNamed; ++i)
        text += displayText(unsealed[i].path) + "\r\n    " + unsealed[i].reason + "\r\n";
    if (unsealed.size() > kVersionsNamed) text += "(and " + std::to_string(unsealed.size() - kVersionsNamed) + " more)\r\n";
    return text;
}

}  // namespace

std::vector<VaultController::EarlierVersion> VaultController::earlierVersions(HWND owner) {
    std::vector<vault::KeptVersion> kept;
    if (vault::IoResult listed = vault_.listVersions(kept); listed.failed()) {
        messageBox(owner,
                   "Vellumkeep cannot read the folder of earlier versions:\r\n\r\n" +
                       displayText(vault_.versionsFolder()) + "\r\n\r\n" + listed.error().reason,
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        return {};
    }
    WaitCursor reading;  // each version is read, and an encrypted one decrypted
    std::vector<EarlierVersion> versions;
    for (const vault::KeptVersion& version : kept) {
        EarlierVersion shown{version, generalDateTime(version.keptAt), {}, false};
        vault::OpenedFile opened;
        vault::IoResult read;
        try {
            read = vault_.openVersion(version.path, opened);
        } catch (const std::bad_alloc&) {
            read = vault::IoError{0, "There is not enough memory to read it.", {}};
        }
        if (read.failed()) {
            shown.entries = "Cannot be read: " + read.error().reason;
        } else if (vault::readable(opened.opening)) {
            shown.entries = entriesText(opened.entries.size());
            shown.restorable = true;
        } else {
            shown.entries = "Cannot be read: " + unreadableText(opened.opening);
        }
        versions.push_back(std::move(shown));
    }
    return versions;
}

bool VaultController::restoreVersion(HWND owner, const EarlierVersion& version) {
    const int answer = messageBox(owner,
                                  "Restore the vault as it was on " + version.keptAt + " (" + version.entries +
                                      ")?\r\n\r\nThe vault as it is now is kept as an earlier version first: you can "
                                      "go back to it the same way.",
                                  host_.appTitle(), MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return false;
    // What this copy holds and another program saved is in the file before the file is kept.
    if (bringInOutsideChange(owner) == OutsideChange::AskingPassword) return false;
    if (vault_.hasUnsavedChanges() && !save(owner)) return false;
    vault::OpenedFile opened;
    vault::IoResult read = vault_.openVersion(version.kept.path, opened);
    if (read.failed() || !vault::readable(opened.opening)) {
        messageBox(owner,
                   "Vellumkeep cannot read this version, so it was not restored:\r\n\r\n" +
                       displayText(version.kept.path) + "\r\n\r\n" +
                       (read.failed() ? read.error().reason : "It is " + unreadableText(opened.opening) + "."),
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        return false;
    }
    bool kept = false;
    if (vault::IoResult keeping = vault_.keepVersion(utcSecondsNow(), true, kept); !kept && keeping.failed()) {
        messageBox(owner,
                   "Vellumkeep could not keep the vault as it is now as an earlier version, so nothing was "
                   "restored:\r\n\r\n" +
                       displayText(vault_.versionsFolder()) + "\r\n\r\n" + keeping.error().reason,
                   host_.appTitle(), MB_OK | MB_ICONWARNING);
        return false;
    }
    const size_t count = opened.entries.size();
    changeEntries([&] { vault_.takeEntries(std::move(opened.entries)); });
    if (!save(owner)) return false;
    host_.setStatusText("Restored the vault as it was on " + version.keptAt + ": " + entriesText(count) + ".  " +
                        host_.statusText());
    return true;
}

void VaultController::keepEarlierVersion(bool always) {
    bool kept = false;
    vault::IoResult result = vault_.keepVersion(utcSecondsNow(), always, kept);
    if (result.succeeded()) {
        versionProblemTold_.clear();
        return;
    }
    const std::string problem = (kept ? "An old earlier version could not be removed: "
                                      : "No earlier version of the vault could be kept: ") +
                                result.error().reason;
    if (problem == versionProblemTold_) return;
    versionProblemTold_ = problem;
    addStatusNote(problem);
}

void VaultController::resealEarlierVersions(HWND owner, const vault::VaultKey& old) {
    std::vector<vault::UnsealedVersion> unsealed;
    {
        WaitCursor sealing;
        unsealed = vault_.resealVersions(old);
    }
    if (unsealed.empty()) return;
    const int answer =
        messageBox(owner,
                   "Vellumkeep could not seal " +
                       (unsealed.size() == 1 ? std::string("this earlier version")
                                             : "these " + std::to_string(unsealed.size()) + " earlier versions") +
                       " of the vault as the vault is sealed now:\r\n\r\n" + unsealedText(unsealed) +
                       "\r\nAs they are, they may open with the old master password, or show it to anyone who reads "
                       "them.  Remove them?  Choose No to keep them as they are.",
                   host_.appTitle(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer != IDYES) return;
    for (const vault::UnsealedVersion& version : unsealed)
        if (vault_.removeVersion(version.path).failed())
            messageBox(owner, "Vellumkeep could not remove:\r\n\r\n" + displayText(version.path), host_.appTitle(),
                       MB_OK | MB_ICONWARNING);
}

}  // namespace vk
