// Any bytes as a vault file: the readers never crash, the fast reader cuts exactly as the plain
// one does, every storable list comes back from a save unchanged, and scrambling twice is a no-op.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "vault_samples.h"
#include "vault/entry_rules.h"
#include "vault/vault_format.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk::vault;
    const std::string file(reinterpret_cast<const char*>(data), size);

    require(scrambleText(scrambleText(file)) == file);

    vk::SecretString master = storedPasswordOf(file);
    std::vector<Entry> plain = entriesOf(file);
    EntryTable table = entryTableOf(file);
    require(table.size() == plain.size());
    for (size_t i = 0; i < plain.size(); ++i) require(table[i].toEntry() == plain[i]);

    // The entries the editor would accept, under the master password the dialog would accept,
    // must survive a save and a load byte for byte.
    if (!masterPasswordProblem(master).empty()) master.clear();
    std::vector<Entry> storable;
    for (const Entry& entry : plain)
        if (entryProblem(entry).empty()) storable.push_back(entry);
    SavedVaultBuilder builder(master, storable.size());
    for (const Entry& entry : storable) builder.add(entry);
    std::string saved = builder.finish();
    require(storedPasswordOf(saved) == master);
    // Every entry line holds two separators, so none is taken for an empty line and skipped.
    std::vector<Entry> loaded = entriesOf(saved);
    EntryTable loadedTable = entryTableOf(saved);
    require(loaded == storable);
    require(loadedTable.size() == storable.size());
    for (size_t i = 0; i < storable.size(); ++i) require(loadedTable[i].toEntry() == storable[i]);
    return 0;
}
