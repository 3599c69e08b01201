#include "vault_samples.h"

#include <array>

namespace vk::vault {
namespace {

// The three pieces of a line cut at `separator`; a missing piece is empty.
std::array<std::string_view, 3> splitPieces(std::string_view line, std::string_view separator) {
    std::array<std::string_view, 3> pieces;
    for (auto& piece : pieces) {
        size_t at = line.find(separator);
        piece = line.substr(0, at);
        line.remove_prefix(at == std::string_view::npos ? line.size() : at + separator.size());
    }
    return pieces;
}

}  // namespace

Entry splitEntryLine(std::string_view line) {
    auto pieces = splitPieces(line, kSeparator);
    return Entry{std::string(pieces[0]), std::string(pieces[1]), std::string(pieces[2])};
}

std::string joinEntryLine(const Entry& entry) {
    return std::string(entry.username) + std::string(kSeparator) + std::string(entry.password) +
           std::string(kSeparator) + std::string(entry.location);
}

std::vector<Entry> entriesOf(std::string_view fileBytes) {
    std::vector<Entry> entries;
    const std::string separator = scrambleText(kSeparator);
    LineReader reader(fileBytes);
    std::string_view line;
    if (!reader.next(line)) return entries;  // line 1 is the master password
    while (reader.next(line)) {
        if (line.empty() || line == " ") continue;  // judged as stored, before unscrambling
        auto pieces = splitPieces(line, separator);
        entries.push_back(Entry{scrambleText(pieces[0]), scrambleText(pieces[1]), scrambleText(pieces[2])});
    }
    return entries;
}

IoResult loadEntries(VaultStore& store, std::vector<Entry>& entries) {
    EntryTable table;
    if (IoResult result = store.loadEntries(table); result.failed()) return result;
    entries.clear();
    for (size_t i = 0; i < table.size(); ++i) entries.push_back(table[i].toEntry());
    return IoResult::success();
}

IoResult readStoredPassword(VaultStore& store, std::string& password) {
    SecretString bytes;
    if (IoResult result = store.read(bytes); result.failed()) return result;
    password = std::string(storedPasswordOf(bytes));
    return IoResult::success();
}

IoResult createVault(VaultStore& store, std::string_view masterPassword) {
    SecretString bytes;
    if (IoResult result = store.read(bytes); result.failed()) return result;
    return store.saveVault(withMasterPassword(bytes, masterPassword));
}

void simpleCollationKey(std::string_view text, SecretString& keys) {
    for (char c : text) keys.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
}

std::string freshVault() { return std::string(kLineEnd); }

std::string withHeaderDigestMadeAnew(Cryptography& crypto, std::string file) {
    ByteSpan bytes(reinterpret_cast<std::uint8_t*>(file.data()), file.size());
    if (!crypto.sha256(bytes.first(kVersion1HeaderSize), bytes.subspan<kVersion1HeaderSize, kDigestSize>()))
        file.clear();
    return file;
}

EncryptedFile encryptVault(Cryptography& crypto, const VaultKeys& keys, std::string_view plaintext) {
    EncryptedFile result;
    SecretString file;
    file.reserve(kEncryptedHeaderSize + plaintext.size() + kTagSize);
    file.assign(kEncryptedHeaderSize, '\0');
    file.append(plaintext);
    result.status = encryptVaultInPlace(crypto, keys, file).status;
    result.fileBytes = std::string(file);
    return result;
}

SavedVaultBuilder::SavedVaultBuilder(std::string_view masterPassword, size_t expectedEntries)
    : append_([this](std::string_view piece) -> IoResult {
          content_.append(piece);
          return IoResult::success();
      }),
      writer_(masterPassword, append_) {
    constexpr size_t kTypicalLine = 64;
    content_.reserve(masterPassword.size() + 2 * kLineEnd.size() + expectedEntries * kTypicalLine);
}

std::string SavedVaultBuilder::finish() {
    (void)writer_.finish();  // appending to a string never fails: it throws when memory runs out
    return std::move(content_);
}

}  // namespace vk::vault
