#pragma once
// A vault file's fingerprint: what tells one version of the file from another, so that a save
// never replaces unasked what anything else wrote meanwhile.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vk::vault {

// The vault as this copy of the program last read or wrote it. A change that anything else made
// to the file since then shows as another fingerprint.
struct Fingerprint {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};
Fingerprint fingerprintOf(std::string_view bytes);

// The fingerprint of bytes handed over in pieces: however they are cut, the same bytes give the
// same fingerprint as fingerprintOf.
class FingerprintBuilder {
public:
    void add(std::string_view bytes);
    Fingerprint result() const;

private:
    void step(const char* word);

    // Words as wide as the processor's own: cheap to multiply in a 32-bit program and a 64-bit one.
    using Word = std::size_t;
    static constexpr size_t kWord = sizeof(Word), kLanes = 8;
    Word lanes_[kLanes] = {Word(0xcbf29ce484222325ull), Word(0x84222325cbf29ce4ull), Word(0x9ce484222325cbf2ull),
                           Word(0x2325cbf29ce48422ull), Word(0xe484222325cbf29cull), Word(0x222325cbf29ce484ull),
                           Word(0xf29ce484222325cbull), Word(0x25cbf29ce4842223ull)};
    std::uint64_t size_ = 0;
    size_t lane_ = 0;         // the lane the next word goes to
    char partial_[kWord]{};  // the start of a word that the next piece completes
    size_t partialSize_ = 0;
};

}  // namespace vk::vault
