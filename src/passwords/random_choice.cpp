#include "passwords/random_choice.h"

namespace vk::passwords {

RandomChoice::~RandomChoice() { wipeSecret(buffer_); }

std::uint8_t RandomChoice::nextByte() {
    if (used_ == buffer_.size()) {
        if (!crypto_.randomBytes(buffer_)) throw RandomnessUnavailable();
        used_ = 0;
    }
    return buffer_[used_++];
}

std::uint32_t RandomChoice::below(std::uint32_t bound) {
    if (bound == 0) throw std::invalid_argument("a choice needs at least one value");
    std::uint64_t range = 256;
    int bytes = 1;
    while (range < bound) {
        range *= 256;
        ++bytes;
    }
    const std::uint64_t fair = range - range % bound;  // draws below it map evenly onto 0..bound-1
    for (;;) {
        std::uint64_t draw = 0;
        for (int i = 0; i < bytes; ++i) draw = draw * 256 + nextByte();
        if (draw < fair) return static_cast<std::uint32_t>(draw % bound);
    }
}

}  // namespace vk::passwords
