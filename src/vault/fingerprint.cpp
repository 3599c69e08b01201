#include "vault/fingerprint.h"

#include <algorithm>
#include <cstring>

namespace vk::vault {

Fingerprint fingerprintOf(std::string_view bytes) {
    FingerprintBuilder builder;
    builder.add(bytes);
    return builder.result();
}

// FNV-1a over a word a step, the words dealt round eight independent lanes, which a 64-bit FNV-1a
// joins at the end: more than enough to tell one version of the file from another, and quick
// enough for every load and save of a big vault. Only this process compares its fingerprints, so
// they may differ between a 32-bit and a 64-bit build.
namespace {

using Word = std::size_t;

Word mixed(Word lane, const char* word) {
    constexpr Word kPrime = sizeof(Word) == 8 ? Word(0x100000001b3ull) : Word(16777619u);
    Word value;
    std::memcpy(&value, word, sizeof value);
    return (lane ^ value) * kPrime;
}

}  // namespace

void FingerprintBuilder::step(const char* word) {
    lanes_[lane_] = mixed(lanes_[lane_], word);
    lane_ = (lane_ + 1) % kLanes;
}

void FingerprintBuilder::add(std::string_view bytes) {
    size_ += bytes.size();
    if (partialSize_ > 0) {
        size_t taken = std::min(kWord - partialSize_, bytes.size());
        std::memcpy(partial_ + partialSize_, bytes.data(), taken);
        partialSize_ += taken;
        bytes.remove_prefix(taken);
        if (partialSize_ < kWord) return;
        step(partial_);
        partialSize_ = 0;
    }
    const char* at = bytes.data();
    const char* end = at + bytes.size() / kWord * kWord;
    for (; lane_ != 0 && at != end; at += kWord) step(at);
    // Whole rounds of the lanes, held in registers meanwhile.
    Word lanes[kLanes];
    std::memcpy(lanes, lanes_, sizeof lanes);
    for (; static_cast<size_t>(end - at) >= kLanes * kWord; at += kLanes * kWord)
        for (size_t lane = 0; lane < kLanes; ++lane) lanes[lane] = mixed(lanes[lane], at + lane * kWord);
    std::memcpy(lanes_, lanes, sizeof lanes);
    for (; at != end; at += kWord) step(at);
    partialSize_ = bytes.size() % kWord;
    std::memcpy(partial_, at, partialSize_);
}

Fingerprint FingerprintBuilder::result() const {
    constexpr std::uint64_t kPrime = 0x100000001b3ull;
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (Word lane : lanes_) hash = (hash ^ lane) * kPrime;
    for (size_t i = 0; i < partialSize_; ++i) hash = (hash ^ static_cast<unsigned char>(partial_[i])) * kPrime;
    hash ^= hash >> 29;  // the high bytes of a word reach the low bits too
    return Fingerprint{size_, hash};
}

}  // namespace vk::vault
