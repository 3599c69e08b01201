#pragma once
// Uniform random choices from the system's random bytes. A draw that would favour some values over
// others (the remainder of a modulo) is thrown away and drawn again, so every value is equally likely.
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <utility>

#include "vault/encrypted_vault.h"

namespace vk::passwords {

// The system gave no random bytes: nothing may be made up instead.
class RandomnessUnavailable : public std::runtime_error {
public:
    RandomnessUnavailable() : std::runtime_error("The system gave no random numbers.") {}
};

class RandomChoice {
public:
    explicit RandomChoice(vault::Cryptography& crypto) : crypto_(crypto) {}
    ~RandomChoice();  // wipes the bytes not used yet: they would tell what comes next
    RandomChoice(const RandomChoice&) = delete;
    RandomChoice& operator=(const RandomChoice&) = delete;

    // A number from 0 to bound - 1 (bound from 1), each equally likely: as few whole bytes as hold
    // bound values are drawn, and a draw at or above the largest multiple of bound is drawn again.
    std::uint32_t below(std::uint32_t bound);

    // Fisher-Yates: every order of the items equally likely.
    template <typename T>
    void shuffle(std::span<T> items) {
        for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[below(static_cast<std::uint32_t>(i))]);
    }

private:
    std::uint8_t nextByte();

    vault::Cryptography& crypto_;
    // Bytes are asked of the system a buffer at a time, not one call per byte.
    std::array<std::uint8_t, 64> buffer_{};
    size_t used_ = buffer_.size();
};

}  // namespace vk::passwords
