// How an entry's location becomes a command line and how the company's host becomes an address.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/locations.h"

namespace vk {
namespace {

TEST(ContainsIgnoringCase, MatchesAnywhereWhateverTheCaseOfEitherSide) {
    EXPECT_TRUE(containsIgnoringCase("WWW.EXAMPLE", "www"));
    EXPECT_TRUE(containsIgnoringCase("www.example", "WWW"));
    EXPECT_TRUE(containsIgnoringCase("shop.Example.CoM", ".com"));  // at the very end
    EXPECT_TRUE(containsIgnoringCase("wwwwww", "www"));
    EXPECT_TRUE(containsIgnoringCase("org", "org"));                // the whole text
    EXPECT_FALSE(containsIgnoringCase("ww.example", "www"));
    EXPECT_FALSE(containsIgnoringCase("or", "org"));                // longer than the text
    EXPECT_FALSE(containsIgnoringCase("o r g", "org"));
    EXPECT_FALSE(containsIgnoringCase("", "a"));
    // An empty part is found in every text, as a search for nothing is.
    EXPECT_TRUE(containsIgnoringCase("abc", ""));
    EXPECT_TRUE(containsIgnoringCase("", ""));
    // Only the letters A to Z have a case here; other bytes match only themselves.
    EXPECT_FALSE(containsIgnoringCase("\xC4", "\xE4"));
    EXPECT_TRUE(containsIgnoringCase("x\xE4y", "\xE4Y"));
    EXPECT_FALSE(containsIgnoringCase("[", "{"));  // 0x5B and 0x7B are not a case pair
}

TEST(HasWebScheme, WantsBothSlashes) {
    EXPECT_TRUE(hasWebScheme("http://a"));
    EXPECT_TRUE(hasWebScheme("HTTPS://A"));
    EXPECT_TRUE(hasWebScheme("see hTTp://a"));
    EXPECT_TRUE(hasWebScheme("http://"));
    EXPECT_FALSE(hasWebScheme("http:/a"));
    EXPECT_FALSE(hasWebScheme("https:a"));
    EXPECT_FALSE(hasWebScheme("ftp://a"));
    EXPECT_FALSE(hasWebScheme(""));
}

TEST(CompleteLocation, PutsTheWebSchemeOnlyBeforeWhatLooksLikeAWebAddress) {
    const std::pair<std::string, std::string> cases[] = {
        {"www.example", "http://www.example"},
        {"WWW.EXAMPLE", "http://WWW.EXAMPLE"},
        {"a.com", "http://a.com"},
        {"a.COM/x", "http://a.COM/x"},
        {"uni.edu", "http://uni.edu"},
        {"x.net", "http://x.net"},
        {"showbiz", "http://showbiz"},    // "biz" needs no dot
        {"georgetown", "http://georgetown"},  // nor does "org"
        {"ORGAN", "http://ORGAN"},
        {"http://www.example", "http://www.example"},
        {"HTTPS://www.example", "HTTPS://www.example"},
        {"link: https://a.com", "link: https://a.com"},
        {"http:/www.example", "http://http:/www.example"},
        {"C:\\Data", "C:\\Data"},
        {"intranet", "intranet"},  // "net" without its dot
        {"education", "education"},
        {"acom", "acom"},
        {"ftp://files.example", "ftp://files.example"},
        {"", ""},
    };
    for (const auto& [location, completed] : cases) EXPECT_EQ(completeLocation(location), completed) << location;
}

TEST(GoToCommandLine, IsExplorerWithTheAddressAsExactlyOneArgument) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "explorer "},
        {"C:\\Data", "explorer C:\\Data"},
        {"C:\\", "explorer C:\\"},  // no quotes, so the backslash stays a backslash
        {"www.example", "explorer http://www.example"},
        {"www.example.com", "explorer http://www.example.com"},
        {"C:\\My Files", "explorer \"C:\\My Files\""},
        // Before the closing quote a backslash must be doubled, or it would escape the quote.
        {"C:\\My Files\\", "explorer \"C:\\My Files\\\\\""},
        {"\\\\server\\my share\\\\", "explorer \"\\\\server\\my share\\\\\\\\\""},
        {"www.my site.com", "explorer \"http://www.my site.com\""},
        {" ", "explorer \" \""},
    };
    for (const auto& [location, commandLine] : cases) EXPECT_EQ(goToCommandLine(location), commandLine) << location;
}

TEST(GoToCommandLine, RefusesWhatExplorerCouldReadAsMoreThanOnePlace) {
    const std::string refused[] = {
        "/desktop=x",
        "/desktop=x,320x200 \"Z:\\tmp\\marker.exe\" --any",
        "  /n,C:\\",
        // Explorer skips every kind of space before its options, a no-break space (0xA0) too.
        "\xA0/root,C:\\",
        " \xA0 /select,C:\\x",
        "a\"b",
        "C:\\My \"Files\" x",  // a space and a double quote
        "a\tb",
        "line\r\nbreak",
        std::string("nul\0byte", 8),
        "del\x7F",
    };
    for (const std::string& location : refused) {
        EXPECT_FALSE(isOpenableLocation(location)) << location;
        EXPECT_EQ(goToCommandLine(location), std::nullopt) << location;
    }
    // A slash further in, and bytes of the code page above 127, are ordinary.
    EXPECT_TRUE(isOpenableLocation("http://a/b"));
    EXPECT_TRUE(isOpenableLocation("C:\\Caf\xE9\x81"));
    EXPECT_TRUE(isOpenableLocation("\xA0\xE9/x"));  // the slash follows a letter, not a space
}

TEST(CommandLineArgument, QuotesByTheWindowsRules) {
    EXPECT_EQ(commandLineArgument("plain"), "plain");
    EXPECT_EQ(commandLineArgument("back\\slash\\"), "back\\slash\\");
    EXPECT_EQ(commandLineArgument(""), "\"\"");
    EXPECT_EQ(commandLineArgument("a b"), "\"a b\"");
    EXPECT_EQ(commandLineArgument("a\tb"), "\"a\tb\"");
    EXPECT_EQ(commandLineArgument("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(commandLineArgument("a\\\"b"), "\"a\\\\\\\"b\"");
    EXPECT_EQ(commandLineArgument("a b\\\\"), "\"a b\\\\\\\\\"");
}

TEST(WithWebScheme, LeavesAnAddressThatHasOne) {
    EXPECT_EQ(withWebScheme("www.quorrindale.example"), "http://www.quorrindale.example");
    EXPECT_EQ(withWebScheme(""), "http://");
    EXPECT_EQ(withWebScheme("intranet"), "http://intranet");  // no guessing here: any host
    EXPECT_EQ(withWebScheme("http://a"), "http://a");
    EXPECT_EQ(withWebScheme("HTTPS://A"), "HTTPS://A");
    EXPECT_EQ(withWebScheme("go hTTp://a"), "go hTTp://a");
    EXPECT_EQ(withWebScheme("https:/a"), "http://https:/a");
}

}  // namespace
}  // namespace vk
