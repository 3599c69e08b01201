#pragma once
// How strong a password is that the user made up: the fewest guesses an attacker who knows how
// people choose passwords needs, as zxcvbn estimates them. The password is cut into parts (common
// passwords, list words, keyboard runs, sequences, repeats, dates, years, and random characters
// between them) in the way that needs the fewest guesses; bits = log2(guesses).
//
// The levels are zxcvbn's: below 10^8 guesses (about 27 bits) it falls to an attacker who tries
// guesses offline for hours even against a slow hash; from 10^10 (about 33 bits) the vault's slow
// key derivation gives it strong protection; fair lies between.
#include <string>
#include <string_view>
#include <vector>

#include "passwords/strength_matches.h"

namespace vk::passwords {

enum class StrengthLevel { Weak, Fair, Strong };

struct PasswordStrength {
    double bits = 0;
    StrengthLevel level = StrengthLevel::Weak;
    std::vector<Match> parts;  // the cheapest way to guess it, from its first character to its last
};

// Longer passwords are judged by their first kLongestJudged characters (the rest only adds guesses).
inline constexpr size_t kLongestJudged = 128;

// `referenceYear` is the year of the guessing: years and dates near it are tried first.
PasswordStrength estimateStrength(std::string_view password, int referenceYear);
// As this year's attacker guesses.
PasswordStrength estimateStrength(std::string_view password);

// The line shown under a new master password as it is typed, e.g. "Strength: weak (about 18 bits):
// common password + year". Empty for an empty password.
std::string strengthLine(std::string_view password);
std::string strengthLine(const PasswordStrength& strength);

}  // namespace vk::passwords
