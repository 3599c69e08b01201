// Another program's change of the vault file (the same vault saved on another computer, brought in by
// a sync tool): read again when nothing here is unsaved, merged with the change here otherwise.
#include "vault/vault_session.h"

#include <utility>

namespace vk::vault {
namespace {

std::vector<EntryView> viewsOf(const EntryTable& table) {
    std::vector<EntryView> views(table.size());
    for (size_t i = 0; i < views.size(); ++i) views[i] = table[i];
    return views;
}

std::vector<EntryView> viewsOf(const EntryList& list) {
    std::vector<EntryView> views(list.count());
    for (size_t i = 0; i < views.size(); ++i) views[i] = list.at(i);
    return views;
}

std::optional<Entry> entryOf(const EntryView* view) {
    if (!view) return std::nullopt;
    return view->toEntry();
}

}  // namespace

EntryTable VaultSession::baseEntries() const { return entryTableOf(baseContent_); }

IoResult VaultSession::readChangedFile(bool& changed, ChangedFile& file) {
    changed = false;
    if (!isOpen() || !known_) return IoResult::success();
    if (IoResult looked = changedOnDisk(changed); looked.failed() || !changed) return looked;
    // Gone, or a folder in its place: nothing to read, and nothing that a save may replace unasked.
    if (files_.isFolder(path_)) {
        file.opened = OpenedFile{};
        return IoResult::success();
    }
    if (IoResult read = files_.readAll(path_, file.bytes); read.failed()) {
        Path there;
        if (files_.finalPath(path_, there).succeeded()) return read;
        file.opened = OpenedFile{};
        return IoResult::success();
    }
    file.fingerprint = fingerprintOf(file.bytes);
    changed = file.fingerprint != *known_;
    if (changed) file.opened = openWithKey(file.bytes, key_);
    return IoResult::success();
}

bool VaultSession::openChangedFileWith(ChangedFile& file, std::string_view password, VaultKey& previous,
                                       bool& failed) {
    failed = false;
    if (file.opened.opening == FileOpening::OtherPassword) {
        std::string stored = storedPasswordOf(file.bytes);
        WipedWhenDone wiped(stored);
        if (password != stored) return false;
        previous = std::exchange(key_, VaultKey::scrambled(password));
    } else if (file.opened.opening == FileOpening::OtherKey) {
        if (!crypto_) {
            cryptographyFailure_ = {};
            failed = true;
            return false;
        }
        UnlockResult unlocked = keysForPassword(*crypto_, file.bytes, password);
        if (unlocked.status == UnlockStatus::CryptographyFailed) {
            cryptographyFailure_ = std::move(unlocked.failure);
            failed = true;
        }
        if (unlocked.status != UnlockStatus::Opened) return false;
        VaultKey key = VaultKey::encrypted(std::move(*unlocked.keys));
        OpenedFile opened = openWithKey(file.bytes, key);
        if (opened.opening != FileOpening::Opened) return false;
        previous = std::exchange(key_, std::move(key));  // the file's keys seal the vault from now on
        file.opened = std::move(opened);
        return true;
    } else {
        return false;
    }
    file.opened.opening = FileOpening::Opened;
    return true;
}

TakenChange VaultSession::takeChangedFile(ChangedFile file) {
    TakenChange taken;
    const std::vector<EntryView> theirs = viewsOf(file.opened.entries), ours = viewsOf(entries_);
    if (!unsaved_) {
        entries_.takeMerge(inTheirOrder(theirs, ours), std::move(file.opened.entries), false);
        savedChanges_ = entries_.changes();
    } else {
        const EntryTable base = baseEntries();
        const EntryMerge merge = mergeEntries(viewsOf(base), theirs, ours);
        taken.merged = true;
        for (const MergeConflict& conflict : merge.conflicts)
            taken.conflicts.push_back({conflict.base.toEntry(), entryOf(conflict.ours), entryOf(conflict.theirs)});
        entries_.takeMerge(merge.entries, std::move(file.opened.entries), false);
        // Our change was theirs too: the file holds it already.
        if (merge.sameAsTheirs) {
            unsaved_ = false;
            savedChanges_ = entries_.changes();
        }
    }
    taken.unsaved = unsaved_;
    // What the list holds now is what the vault holds, deletions made elsewhere included.
    rememberEntriesWritten();
    known_ = file.fingerprint;
    wipeSecret(baseContent_);
    baseContent_ = std::move(file.opened.content);
    return taken;
}

}  // namespace vk::vault
