// The strength estimate where it runs: once at each keystroke of a new master password. Prints
// "name: value" figures: the first estimate (which decodes the word lists), and the median and the
// slowest estimate over every prefix of long passwords as they are typed. Built natively and for
// Windows (run under Wine), whose figures carry "wine_".
//
// With --score it prints instead, for each password on standard input (one a line),
// "log10(guesses)<TAB>score<TAB>password", the score on zxcvbn's 0-4 scale: a way to compare the
// estimate with zxcvbn's on any set of passwords.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "passwords/password_strength.h"

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
constexpr const char* kPrefix = "wine_";
#else
constexpr const char* kPrefix = "";
#endif

// zxcvbn's score: its levels of guesses, each a little above a power of ten.
int zxcvbnScore(double log10Guesses) {
    const double guesses = std::pow(10.0, log10Guesses);
    int score = 0;
    for (double level : {1e3, 1e6, 1e8, 1e10}) score += guesses >= level + 5 ? 1 : 0;
    return score;
}

void printScores() {
    std::string password;
    while (std::getline(std::cin, password)) {
        const double log10Guesses = vk::passwords::estimateStrength(password).bits * std::log10(2.0);
        std::printf("%.4f\t%d\t%s\n", log10Guesses, zxcvbnScore(log10Guesses), password.c_str());
    }
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printTimings() {
    const Clock::time_point first = Clock::now();
    vk::passwords::estimateStrength("a");
    std::printf("%sstrength_first_ms: %.2f\n", kPrefix, millisecondsSince(first));

    // Typed one character at a time: words, names, digits and symbols, then the longest judged.
    const std::string typed[] = {
        "Sutherland1977-correct-horse-battery-staple!",
        "m15informed_Tq8#vLm2&Xw9!pZr_qwertyuiop_19/04/1987_abcabcabc",
        std::string(vk::passwords::kLongestJudged / 4, 'x') + "Gr4ndm0th3r!" +
            std::string(vk::passwords::kLongestJudged, 'a'),
    };
    // Each keystroke's estimate at its fastest of a few tries: the machine's other work is no part of it.
    constexpr int kTries = 3;
    std::vector<double> each;
    for (const std::string& password : typed) {
        for (size_t length = 1; length <= std::min(password.size(), vk::passwords::kLongestJudged); ++length) {
            double fastest = 1e9;
            for (int i = 0; i < kTries; ++i) {
                const Clock::time_point start = Clock::now();
                vk::passwords::estimateStrength(std::string_view(password).substr(0, length));
                fastest = std::min(fastest, millisecondsSince(start));
            }
            each.push_back(fastest);
        }
    }
    std::sort(each.begin(), each.end());
    std::printf("%sstrength_keystroke_median_ms: %.3f\n", kPrefix, each[each.size() / 2]);
    std::printf("%sstrength_keystroke_slowest_ms: %.3f\n", kPrefix, each.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--score")
        printScores();
    else
        printTimings();
    return 0;
}
