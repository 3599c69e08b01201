#include "vault/entry_list.h"

#include "platform/wipe.h"

#include <algorithm>

namespace vk::vault {

std::string_view EntryList::field(EntryView entry, int column) {
    switch (column) {
        case 1:
            return entry.password;
        case 2:
            return entry.location;
        default:
            return entry.username;
    }
}

namespace {

// True when cutting the line gives back exactly the line: three pieces, no more and no fewer.
bool isWholeEntryLine(const EntryTable& table, size_t index) {
    std::string_view line = table.line(index);
    EntryView entry = table[index];
    constexpr size_t gap = kSeparator.size();
    return entry.password.data() == entry.username.data() + entry.username.size() + gap &&
           entry.location.data() == entry.password.data() + entry.password.size() + gap &&
           entry.location.data() + entry.location.size() == line.data() + line.size();
}

}  // namespace

std::string_view EntryList::joinedLine(size_t index) const {
    const Held& held = held_[order_[index]];
    if (!held.vault) return {};
    const LoadedVault& loaded = *held.vault;
    if (!loaded.linesWhole) {
        bool whole = true;
        for (size_t i = 0; i < loaded.table.size() && whole; ++i) whole = isWholeEntryLine(loaded.table, i);
        loaded.linesWhole = whole;
    }
    // A line of fewer or more than three pieces is stored as its three fields joined afresh.
    if (!*loaded.linesWhole && !isWholeEntryLine(loaded.table, held.line)) return {};
    return loaded.table.line(held.line);
}

std::string_view EntryList::joinedLines(size_t first, size_t& end) const {
    std::string_view lines = joinedLine(first);
    end = first + 1;
    if (lines.empty()) return lines;
    const LoadedVault* vault = held_[order_[first]].vault;
    for (; end < order_.size() && held_[order_[end]].vault == vault; ++end) {
        std::string_view line = joinedLine(end);
        if (line.empty() || !followsAfterLineEnd(lines, line)) break;
        lines = std::string_view(lines.data(), static_cast<size_t>(line.data() + line.size() - lines.data()));
    }
    return lines;
}

EntryView EntryList::entryIn(Slot slot) const {
    const Held& held = held_[slot];
    if (held.vault) return held.vault->table[held.line];
    if (!held.own) return {};
    std::string_view text = held.own->text;
    size_t u = held.own->usernameSize, p = held.own->passwordSize;
    return {text.substr(0, u), text.substr(u, p), text.substr(u + p)};
}

std::optional<size_t> EntryList::indexOf(EntryId id, size_t hint) const {
    if (hint < order_.size() && idAt(hint) == id) return hint;
    for (size_t i = 0; i < order_.size(); ++i)
        if (held_[order_[i]].id == id) return i;
    return std::nullopt;
}

EntryList::Slot EntryList::hold(EntryView entry, EntryId id) {
    auto own = std::make_unique<OwnFields>();
    own->text.reserve(entry.username.size() + entry.password.size() + entry.location.size());
    own->text.append(entry.username).append(entry.password).append(entry.location);
    own->usernameSize = static_cast<std::uint32_t>(entry.username.size());
    own->passwordSize = static_cast<std::uint32_t>(entry.password.size());
    held_.push_back(Held{nullptr, 0, id, std::move(own)});
    return static_cast<Slot>(held_.size() - 1);
}

void EntryList::release(Slot slot) {
    // The slot stays, empty, so that the slots after it keep their keys.
    held_[slot].vault = nullptr;
    held_[slot].own.reset();
}

const EntryList::KeyColumn& EntryList::sortKeys() {
    KeyColumn& keys = keys_[static_cast<size_t>(sortKey_)];
    keys.ends.reserve(held_.size());
    for (size_t slot = keys.ends.size(); slot < held_.size(); ++slot) {
        collationKey_(field(entryIn(static_cast<Slot>(slot)), sortKey_), keys.bytes);
        keys.ends.push_back(static_cast<std::uint32_t>(keys.bytes.size()));
    }
    return keys;
}

bool EntryList::before(Slot a, Slot b) const {
    const KeyColumn& keys = keys_[static_cast<size_t>(sortKey_)];
    return sortOrder_ == SortOrder::Ascending ? keys.key(a) < keys.key(b) : keys.key(b) < keys.key(a);
}

size_t EntryList::placeFor(Slot slot) {
    if (!sorted_) return order_.size();
    sortKeys();
    // After the rows that sort equal to it, so that equal rows keep the order they were added in.
    auto it = std::upper_bound(order_.begin(), order_.end(), slot,
                               [this](Slot value, Slot element) { return before(value, element); });
    return static_cast<size_t>(it - order_.begin());
}

EntryId EntryList::add(EntryView entry) {
    EntryId id = nextId_++;
    Slot slot = hold(entry, id);
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(placeFor(slot)), slot);
    ++changes_;
    ++saves_;
    lastSaved_ = id;
    return id;
}

void EntryList::addInOneChange(EntryTable table) {
    if (table.empty()) return;
    // Held as a loaded vault's lines are; a stable sort keeps the entries already in place before
    // the new ones that sort equal.
    addAll(std::move(table));
    ++changes_;
}

void EntryList::addAll(EntryTable table) {
    size_t first = held_.size();
    const LoadedVault& kept = loadedVaults_.emplace_back(LoadedVault{std::move(table), std::nullopt});
    held_.reserve(first + kept.table.size());
    order_.reserve(order_.size() + kept.table.size());
    for (size_t i = 0; i < kept.table.size(); ++i) {
        held_.push_back(Held{&kept, static_cast<std::uint32_t>(i), nextId_++, nullptr});
        order_.push_back(static_cast<Slot>(first + i));
    }
    if (sorted_) reorder();
}

void EntryList::takeMerge(const std::vector<MergedEntry>& merged, EntryTable theirs, bool oneChange) {
    size_t taken = 0;
    for (const MergedEntry& entry : merged) taken += entry.from == MergedEntry::From::Theirs;
    // Their table is kept when most of it is taken: a few changed entries get fields of their own,
    // so that a file read again and again does not keep its every copy.
    const LoadedVault* kept =
        taken * 2 > theirs.size() ? &loadedVaults_.emplace_back(LoadedVault{std::move(theirs), std::nullopt}) : nullptr;
    const EntryTable& table = kept ? kept->table : theirs;
    std::vector<bool> staying(order_.size());
    std::vector<Slot> order;
    order.reserve(merged.size());
    for (const MergedEntry& entry : merged) {
        if (entry.from == MergedEntry::From::Ours) {
            staying[entry.index] = true;
            order.push_back(order_[entry.index]);
        } else if (kept) {
            held_.push_back(Held{kept, static_cast<std::uint32_t>(entry.index), nextId_++, nullptr});
            order.push_back(static_cast<Slot>(held_.size() - 1));
        } else {
            order.push_back(hold(table[entry.index], nextId_++));
        }
    }
    for (size_t i = 0; i < order_.size(); ++i)
        if (!staying[i]) release(order_[i]);
    order_ = std::move(order);
    if (sorted_) reorder();
    if (kept == nullptr) theirs.wipe();
    if (oneChange) ++changes_;
}

bool EntryList::replace(EntryId id, EntryView entry) {
    auto index = indexOf(id);
    if (!index) return false;
    Slot old = order_[*index];
    Slot slot = hold(entry, id);
    release(old);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(*index));
    size_t place = sorted_ ? placeFor(slot) : *index;
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), slot);
    ++changes_;
    ++saves_;
    lastSaved_ = id;
    return true;
}

bool EntryList::remove(EntryId id) {
    auto index = indexOf(id);
    if (!index) return false;
    release(order_[*index]);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(*index));
    ++changes_;
    ++removals_;
    return true;
}

void EntryList::dropAll() {
    for (LoadedVault& vault : loadedVaults_) vault.table.wipe();
    for (Held& held : held_)
        if (held.own) wipeSecret(held.own->text);
    for (KeyColumn& keys : keys_) {
        wipeSecret(keys.bytes);
        keys = KeyColumn{};
    }
    order_.clear();
    held_.clear();
    loadedVaults_.clear();
}

void EntryList::setSortSettings(bool sorted, int sortKey, SortOrder order) {
    sorted_ = sorted;
    sortKey_ = std::clamp(sortKey, 0, kColumns - 1);
    sortOrder_ = order;
    if (sorted_) reorder();
}

void EntryList::reorder() {
    sortKeys();
    std::stable_sort(order_.begin(), order_.end(), [this](Slot a, Slot b) { return before(a, b); });
}

bool EntryList::choose(const std::function<bool(EntryView, EntryId)>& wanted, const Places* among, Places& places,
                       const std::function<bool()>& stop) const {
    // Asking costs a call, which the caller may make cheaper still by looking only now and then.
    constexpr size_t kStopCheckEvery = 4096;
    enum : std::uint8_t { NotAsked, Asked, Chosen };
    std::vector<std::uint8_t> state(held_.size(), among ? NotAsked : Asked);  // by slot
    if (among)
        for (std::uint32_t place : *among) state[order_[place]] = Asked;
    size_t asked = 0;
    for (Slot slot = 0; slot < held_.size(); ++slot) {
        const Held& held = held_[slot];
        if (state[slot] == NotAsked || (!held.vault && !held.own)) continue;
        // Asking may run other code of the program: nothing read before it is trusted after a stop.
        if (++asked % kStopCheckEvery == 0 && stop()) return false;
        if (wanted(entryIn(slot), held.id)) state[slot] = Chosen;
    }
    places.clear();
    const size_t count = among ? among->size() : order_.size();
    for (size_t i = 0; i < count; ++i) {
        const std::uint32_t place = among ? (*among)[i] : static_cast<std::uint32_t>(i);
        if (state[order_[place]] == Chosen) places.push_back(place);
    }
    return true;
}

IoResult writeVaultContent(std::string_view masterPassword, const EntryList& entries, const PieceWriter& write) {
    VaultContentWriter writer(masterPassword, write);
    // Lines still in the order they were read (a vault not sorted since) go as one piece each.
    for (size_t i = 0, end = 0; i < entries.count(); i = end) {
        std::string_view lines = entries.joinedLines(i, end);
        if (lines.empty())
            writer.add(entries.at(i));
        else
            writer.addLine(lines);
    }
    return writer.finish();
}

}  // namespace vk::vault
