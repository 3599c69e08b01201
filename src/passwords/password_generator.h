#pragma once
// Strong passwords made for the user: random characters from the sets they tick, or a passphrase
// of words from EFF's Large Wordlist. Every result can be stored in the vault: printable ASCII,
// never "|" (the vault's separator), no line break.
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "vault/encrypted_vault.h"

namespace vk::passwords {

inline constexpr int kShortestLength = 8;
inline constexpr int kLongestLength = 128;
inline constexpr int kFewestWords = 4;
inline constexpr int kMostWords = 12;
inline constexpr char kWordSeparator = '-';

enum class GeneratorMode { Characters, Passphrase };

// What the user chose in the generator; the defaults are what it offers the first time.
struct GeneratorChoice {
    GeneratorMode mode = GeneratorMode::Characters;
    int length = 20;
    bool upper = true;    // A-Z
    bool lower = true;    // a-z
    bool digits = true;   // 0-9
    bool symbols = true;  // printable ASCII punctuation but "|"
    bool avoidLookAlikes = false;  // leaves out I, l, 1, O and 0
    int words = 6;
    friend bool operator==(const GeneratorChoice&, const GeneratorChoice&) = default;
};

// The characters of each ticked set, in the order A-Z, a-z, 0-9, symbols. The sets never share a
// character.
std::vector<std::string> characterSets(const GeneratorChoice& choice);

// Why nothing can be made of this choice (no set ticked, a length or word count out of range), in
// the user's words; empty when it can.
std::string choiceProblem(const GeneratorChoice& choice);

// A new password or passphrase for a choice without a problem; none when the system gave no
// random numbers.
std::optional<SecretString> generatePassword(vault::Cryptography& crypto, const GeneratorChoice& choice);

// The entropy, in bits, of what the generator makes for this choice: how many equally likely
// guesses its result is worth.
double generatedBits(const GeneratorChoice& choice);
// The entropy of a draw of `length` characters: one of each set (of these sizes, sharing no
// character), the rest from all of them, in a shuffled order. It lies a fraction of a bit below
// length * log2(all), what drawing every character from all the sets would give.
double characterDrawBits(std::span<const size_t> setSizes, int length);
// "About 131 bits".
std::string aboutBitsText(double bits);

// The choice as the settings store keeps it: one string value by name.
std::vector<std::pair<std::string, std::string>> settingsOf(const GeneratorChoice& choice);
// The choice from the store's values (`stored` answers an empty text for a value that is absent);
// a value missing or unreadable keeps its default.
GeneratorChoice choiceFromSettings(const std::function<std::string(const std::string& name)>& stored);

}  // namespace vk::passwords
