#pragma once
// Vaults as tests and benchmarks write and read them: whole files built in memory, and a second,
// field-by-field reader of the file's lines that the program's own reader is checked against.
#include <string>
#include <string_view>
#include <vector>

#include "vault/encrypted_vault.h"
#include "vault/file_system.h"
#include "vault/vault_format.h"
#include "vault/vault_store.h"

namespace vk::vault {

// Cuts an unscrambled entry line at "|||" from the left; missing pieces are empty and pieces
// after the third are dropped.
Entry splitEntryLine(std::string_view line);
// Username "|||" Password "|||" Website/Location, unscrambled.
std::string joinEntryLine(const Entry& entry);

// Every entry of the vault, in file order, skipping line 1 and lines that are empty or one space.
std::vector<Entry> entriesOf(std::string_view fileBytes);
// Every entry of the vault the store names, read as the program reads it.
IoResult loadEntries(VaultStore& store, std::vector<Entry>& entries);
// Line 1 of the vault the store names, unscrambled.
IoResult readStoredPassword(VaultStore& store, std::string& password);
// Writes the master password as line 1 of the vault the store names, keeping every line after it.
IoResult createVault(VaultStore& store, std::string_view masterPassword);

// A collation usable without the platform: letter case ignored for ASCII, then byte order.
void simpleCollationKey(std::string_view text, SecretString& keys);

// The content of a Fresh vault: one empty line.
std::string freshVault();

// An encrypted vault (version 2 or later) with its header's digest made anew for what its first
// 76 bytes now hold: changed on purpose, as a program would write it, not damaged.
std::string withHeaderDigestMadeAnew(Cryptography& crypto, std::string file);

// A whole encrypted vault file for the plaintext, made as a save makes it.
struct EncryptedFile {
    EncryptStatus status = EncryptStatus::CryptographyFailed;
    std::string fileBytes;  // when Encrypted
};
EncryptedFile encryptVault(Cryptography& crypto, const VaultKeys& keys, std::string_view plaintext);

// The content a save writes, built whole in memory: the master password line, one line per entry,
// then an empty line.
class SavedVaultBuilder {
public:
    explicit SavedVaultBuilder(std::string_view masterPassword, size_t expectedEntries = 0);
    SavedVaultBuilder(const SavedVaultBuilder&) = delete;
    SavedVaultBuilder& operator=(const SavedVaultBuilder&) = delete;

    void add(EntryView entry) { writer_.add(entry); }
    // See VaultContentWriter::addLine.
    void addLine(std::string_view joinedLine) { writer_.addLine(joinedLine); }
    std::string finish();  // appends the closing empty line

private:
    std::string content_;
    PieceWriter append_;
    VaultContentWriter writer_;
};

}  // namespace vk::vault
