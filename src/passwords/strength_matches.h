#pragma once
// The patterns a password guesser tries before plain brute force, found in a password the way
// zxcvbn finds them: common passwords, English words and names (also reversed, capitalised or with
// l33t digits and symbols), keyboard runs, sequences, repeats, dates and years. Each match says how
// many guesses its part alone would take.
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace vk::passwords {

enum class Pattern { CommonPassword, ListWord, Name, KeyboardRun, Sequence, Repeat, Date, Year, Random };

struct Match {
    Pattern pattern = Pattern::Random;
    size_t begin = 0;  // the part is password[begin, end)
    size_t end = 0;
    double log2Guesses = 0;
    friend bool operator==(const Match&, const Match&) = default;
};

// How many guesses a text takes at least (log2), as the whole estimate judges it: what a repeat's
// unit is worth.
using PartEstimate = std::function<double(std::string_view)>;

// Every match in the password, in no particular order. Years count from `referenceYear`, the year
// an attacker guesses in.
std::vector<Match> findMatches(std::string_view password, int referenceYear, const PartEstimate& estimateUnit);

// log2 of n choose k.
double log2Choose(int n, int k);
// log2(2^a + 2^b).
double log2Sum(double a, double b);

}  // namespace vk::passwords
