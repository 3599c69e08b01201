// CSV import of other programs' password exports, and Vellumkeep's own export read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vault/entry_csv.h"

namespace vk::vault {
static void PrintTo(const Entry& e, std::ostream* out) {
    *out << "{" << e.username << ", " << e.password << ", " << e.location << "}";
}

namespace {

// A skipped row: its first line, why, and its last line when it runs over several.
struct Skip {
    size_t line;
    CsvSkipReason reason;
    size_t lastLine = 0;
    friend bool operator==(const Skip&, const Skip&) = default;
};
void PrintTo(const Skip& skip, std::ostream* out) {
    *out << skip.line << "-" << skip.lastLine << " " << csvSkipReasonText(skip.reason);
}
using Skips = std::vector<Skip>;
constexpr auto kNeither = CsvSkipReason::NoUsernameOrPassword;
constexpr auto kUnstorable = CsvSkipReason::UnstorableText;

// The tests' code page is Latin-1: U+0000 to U+00FF, byte for byte.
std::optional<std::string> latin1FromUtf8(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80 && (c > 0xC3 || i + 1 == utf8.size())) return std::nullopt;
        out += c < 0x80 ? static_cast<char>(c) : static_cast<char>(((c & 3) << 6) | (utf8[++i] & 0x3F));
    }
    return out;
}
std::string utf8FromLatin1(std::string_view latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        if (c >= 0x80) out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(c >= 0x80 ? 0x80 | (c & 0x3F) : c);
    }
    return out;
}
// UTF-16 with its byte-order mark, from UTF-16 code units.
std::string utf16(std::u16string_view units, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : units) {
        char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

std::vector<Entry> entriesOf(const ImportedEntries& imported) {
    std::vector<Entry> all;
    for (size_t i = 0; i < imported.size(); ++i) all.push_back(imported[i].toEntry());
    return all;
}

const Entry kInVault{"old", "pw", "https://old.example"};

struct ImportCase {
    const char* name;
    std::string file;
    std::vector<Entry> entries;
    Skips skipped = {};
    CsvFileProblem problem = CsvFileProblem::None;
    CsvDoubt doubt = CsvDoubt::None;  // the import then reads the file as the chooser first offers it
    std::vector<size_t> titlesLeftOut = {};
    bool readInCodePage = false;
};

constexpr auto kInVaultAlready = CsvSkipReason::AlreadyInVault;
constexpr auto kRepeat = CsvSkipReason::RepeatsEarlierRow;
constexpr auto kOutside = CsvSkipReason::OutsideCodePage;
constexpr auto kNotUnicode = CsvFileProblem::NotUnicodeText;
constexpr auto kNoPassword = CsvDoubt::NoPasswordColumn;
constexpr auto kNoLocation = CsvDoubt::NoLocationColumn;
constexpr auto kNoPasswordHere = CsvSkipReason::NoPassword;
constexpr auto kNoUsernameHere = CsvSkipReason::NoUsername;

const ImportCase kImportCases[] = {
    // Each export's header row as its program writes it, with a row or two.
    {"Chrome and Edge", "name,url,username,password,note\r\nA,https://a.example/,ann,pw1,\r\n",
     {{"ann", "pw1", "https://a.example/"}}},
    {"Firefox",
     "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
     "\"timeLastUsed\",\"timePasswordChanged\"\r\n"
     "\"https://b.example\",\"bob\",\"pw2\",,\"https://b.example\",\"{9}\",\"1\",\"2\",\"3\"\r\n",
     {{"bob", "pw2", "https://b.example"}}},
    {"Safari", "Title,URL,Username,Password,Notes,OTPAuth\nC,https://c.example/,cy,pw3,,\n",
     {{"cy", "pw3", "https://c.example/"}}},
    {"Bitwarden",
     "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
     "Social,1,login,Twitter,,,0,twitter.com,me@example.com,pw4,\n,,note,My Note,\"A secure note.\",,,,,\n",
     {{"me@example.com", "pw4", "twitter.com"}}, {{3, kNeither}}},
    {"1Password",
     "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
     "\"D\",\"https://d.example\",\"dee\",\"pw5\",\"\",\"false\",\"false\",\"\",\"\"\n",
     {{"dee", "pw5", "https://d.example"}}},
    {"LastPass",
     "url,username,password,totp,extra,name,grouping,fav\nhttp://sn,,,,a note,Note,,0\n"
     "https://e.example,eve,pw6,,,E,,0\n",
     {{"eve", "pw6", "https://e.example"}}, {{2, kNeither}}},
    {"Dashlane",
     "username,username2,username3,title,password,note,url,category,otpSecret\nfay,,,F,pw7,,https://f.example,,\n",
     {{"fay", "pw7", "https://f.example"}}},
    {"KeePass 2, title for an empty web site",
     "\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"\r\n\"Gus box\",\"gus\",\"pw8\",\"\",\"\"\r\n",
     {{"gus", "pw8", "Gus box"}}},
    {"KeePassXC",
     "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
     "\"Created\"\n\"Root\",\"H\",\"hal\",\"pw9\",\"https://h.example\",\"\",\"\",\"0\",\"2024-05-01T10:00:00Z\","
     "\"2024-05-01T10:00:00Z\"\n",
     {{"hal", "pw9", "https://h.example"}}},
    {"Proton Pass, e-mail for an empty username",
     "type,name,url,email,username,password,note,totp,createTime,modifyTime,vault\n"
     "login,I,https://i.example,ivy@example.com,,pw10,,,1,2,Personal\n"
     "alias,Al,,al@example.com,,,,,1,2,Personal\n"
     "login,J,https://j.example,jo@example.com,jo,pw11,,,1,2,Personal\n",
     {{"ivy@example.com", "pw10", "https://i.example"}, {"jo", "pw11", "https://j.example"}}, {{3, kNeither}}},
    {"NordPass",
     "name,url,username,password,note,cardholdername,cardnumber,cvc,expirydate,zipcode,folder,full_name,"
     "phone_number,email,address1,address2,city,country,state\n"
     "K,https://k.example,kim,pw12,,,,,,,,,,,,,,,\nMe,,,,,,,,,,,Kim K,,kim@example.com,,,,,\n",
     {{"kim", "pw12", "https://k.example"}}, {{3, kNeither}}},
    {"RoboForm",
     "Name,Url,MatchUrl,Login,Pwd,Note,Folder,RfFieldsV2\n"
     "L,https://l.example,https://l.example,lee,pw13,,/Web,\"User ID$:txt:lee\"\nNote,,,,,text,/,\n",
     {{"lee", "pw13", "https://l.example"}}, {{3, kNeither}}},
    {"RoboForm, older layout", "Name,Url,Login,Pwd,Note,Folder\nL2,https://l2.example,lou,pw13b,,Web\n",
     {{"lou", "pw13b", "https://l2.example"}}},
    {"1Password with a street address beside the web address",
     "Title,Address,Username,Password,URL,Notes\nHome,1 Main St,ann,pw,https://a.example,\nShop,2 Side St,bob,pw2,,\n",
     {{"ann", "pw", "https://a.example"}, {"bob", "pw2", "Shop"}}},
    {"Passwordstate: a header row repeated inside the file",
     "Title,UserName,Password,URL,Description\nMail,ann,pw1,https://m.example,\n"
     "Title,UserName,Password,URL,Description\nBank,bob,pw2,https://b.example,\n",
     {{"ann", "pw1", "https://m.example"}, {"bob", "pw2", "https://b.example"}}},
    {"Blur: undefined for no address",
     "label,domain,email,username,password\nMail,undefined,ann@x.example,,pw1\nBank,b.example,,bob,pw2\n",
     {{"ann@x.example", "pw1", ""}, {"bob", "pw2", "b.example"}}},
    {"a second url column fills an empty first",
     "name,url,username,password,url\nA,,ann,pw,https://second.example\nB,https://first.example,bob,pw,x\n"
     "C,,cy,pw,\n",
     {{"ann", "pw", "https://second.example"}, {"bob", "pw", "https://first.example"}, {"cy", "pw", "C"}}},
    {"Zoho Vault: the credentials in label:value lines",
     "Password Name,Password URL,Folder Name,Notes,Favorite,SecretData,CustomData\n"
     "Mail,https://mail.example,Work,,0,\"username:ann\npassword:pw:1\nSecretType:Web Account\",\n"
     "Router,,,,0,\"User Name:admin\r\nPassword:r00t\",\nNote,,,text,0,\"SecretType:Note\",\n",
     {{"ann", "pw:1", "https://mail.example"}, {"admin", "r00t", "Router"}}, {{7, kNeither}}},
    {"Enpass: a title, label and value pairs, a note",
     "\"Title\",\"Field\",\"Value\",\"Field\",\"Value\",\"Field\",\"Value\",\"Note\"\n"
     "\"Mail\",\"Username\",\"ann\",\"*Password\",\"pw1\",\"Website\",\"https://mail.example\",\"a note\"\n"
     "\"Wifi\",\"Password\",\"w1\"\n\"Card\",\"Cardholder\",\"Ann\",\"Number\",\"4111\"\n"
     "\"Forum\",\"E-mail\",\"cy@x.example\",\"Password\",\"pw3\"\n",
     {{"ann", "pw1", "https://mail.example"}, {"cy@x.example", "pw3", "Forum"}},
     {{3, kNoUsernameHere}, {4, kNeither}}},
    {"Vellumkeep", "\xEF\xBB\xBFUsername,Password,Website/Location\r\nmo,pw14,https://m.example\r\n",
     {{"mo", "pw14", "https://m.example"}}},
    {"no header row, columns guessed by what they hold",
     "Personal,Mail,me@example.com,123456,https://mail.example,,\nWork,Wiki,jo@example.com,x1,https://w.example,a,\n",
     {{"me@example.com", "123456", "https://mail.example"}, {"jo@example.com", "x1", "https://w.example"}}, {}, {},
     kNoPassword},
    // Names by their meaning, and what stands in where a file has none for a field.
    {"semicolons, an e-mail as the username, a site URL", "E-Mail;Pass;Site URL\nann@x.example;p;a.example\n",
     {{"ann@x.example", "p", "a.example"}}},
    {"tabs, Login_URLs", "Login\tSecret\tLogin_URLs\tNotes\nbo\tp\thttps://b.example\t\n",
     {{"bo", "p", "https://b.example"}}},
    {"account as the username", "Account,Password,Domain\ncy,p,c.example\n", {{"cy", "p", "c.example"}}},
    {"an unstorable title costs only itself",
     "name,url,username,password\nSmile \xF0\x9F\x98\x80,,ann,p1\nA|||B,,bob,p2\nC,,cy,p|||3\nD\xF0\x9F\x98\x80,,,\n",
     {{"ann", "p1", ""}, {"bob", "p2", ""}}, {{4, kUnstorable}, {5, kNeither}}, {}, {}, {2, 3}},
    {"a field too long", "user,password,url\nann," + std::string(4097, 'x') + ",u\nbob,\xC3\xA9" +
     std::string(4095, 'y') + ",u\n", {{"bob", "\xE9" + std::string(4095, 'y'), "u"}},
     {{2, CsvSkipReason::FieldTooLong}}},
    // RFC 4180 and the leniency beside it; a row's line is where it starts.
    {"quoting",
     " User Name ,PASSWORD,Url,note\r\n\"a,b\",\"say \"\"hi\"\"\",https://q.example,\"two\r\nlines\"\r\n"
     ",,x,\r\nc,pw\"x,u\r\n\"d\"e,pw,u2\r\n",
     {{"a,b", "say \"hi\"", "https://q.example"}, {"c", "pw\"x", "u"}, {"de", "pw", "u2"}}, {{4, kNeither}}},
    {"line ends and blank lines", "username,password,url\rann,1\n\n\r\nbob,2\r\rann,1\r\n\r\ncy,3",
     {{"ann", "1", ""}, {"bob", "2", ""}, {"cy", "3", ""}}, {{7, kRepeat}}},
    {"a quote running over the rows after it",
     "username,password,url\nann,\"pw,https://a.example\nbob,pw2,https://b.example\ncy,\"q\",u\ndee,4,u\n",
     {{"dee", "4", "u"}}, {{2, CsvSkipReason::SwallowedRows, 4}}},
    {"fewer and more fields than the header", "username,password,url\nann\nbob,pw,https://x,extra,more\n",
     {{"bob", "pw", "https://x"}}, {{2, kNoPasswordHere}}},
    {"the editor's rule: a username and a password",
     "username,password,url\nann,,u\n,pw,u\nbob,pw,u\n", {{"bob", "pw", "u"}},
     {{2, kNoPasswordHere}, {3, kNoUsernameHere}}},
    // Escapes: KeePass's, by its header; another exporter's, where only they read the file cleanly.
    {"KeePass 2 escapes a quote and a backslash with a backslash",
     "\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"\r\n"
     "\"Mail\",\"ann\",\"ab\\\"cd,ef\",\"https://mail.example\",\"say \\\"hi\\\"\"\r\n"
     "\"Files\",\"bob\",\"x\\\\p\",\"\",\"\"\r\n\"C\",\"cy\",\"end\\\\\",\"u\",\"\"\r\n",
     {{"ann", "ab\"cd,ef", "https://mail.example"}, {"bob", "x\\p", "Files"}, {"cy", "end\\", "u"}}},
    {"1Password in Apple's layout escapes a quote with a backslash",
     "Title,URL,Username,Password,Notes,OTPAuth\n\"Bank\",\"https://bank.example\",\"dee\",\"q\\\"r,s\",\"\",\"\"\n"
     "\"Shop\",\"https://shop.example\",\"eve\",\"plain\",\"\",\"\"\n",
     {{"dee", "q\"r,s", "https://bank.example"}, {"eve", "plain", "https://shop.example"}}},
    {"a backslash before a closing quote, where doubled quotes read the file",
     "Title,URL,Username,Password,Notes\nShare,https://s.example,fay,\"pw\\\",\"C:\\\"\nMail,u,gus,\"a\"\"b\",\n",
     {{"fay", "pw\\", "https://s.example"}, {"gus", "a\"b", "u"}}},
    {"duplicates, byte for byte",
     "username,password,url\nold,pw,https://old.example\nold,pw,https://old.example/\nOld,pw,https://old.example\n"
     "old,pw,https://old.example/\n,,x\n",
     {{"old", "pw", "https://old.example/"}, {"Old", "pw", "https://old.example"}},
     {{2, kInVaultAlready}, {5, kRepeat}, {6, kNeither}}},
    {"unstorable rows",
     "username,password,url\nann,a|||b,u\n\"bo\nb\",pw,u\ncy,|pw,u\ndee,pw,\xC2\x8D\neve,\xE2\x82\xAC,u\n"
     "fay|,pw,u\ngus,p|w,u|\n",
     {{"gus", "p|w", "u|"}},
     {{2, kUnstorable}, {3, kUnstorable}, {5, kUnstorable}, {6, kUnstorable}, {7, kOutside}, {8, kUnstorable}}},
    {"a quote never closed", "username,password,url\nann,1\nbob,\"pw\ncy,2\n", {{"ann", "1", ""}},
     {{3, CsvSkipReason::UnclosedQuote, 4}}},
    {"header only", "username,password\r\n", {}},
    // Encodings: UTF-8 with or without its mark, UTF-16 either way round; text becomes Latin-1.
    {"UTF-8", "username,password,url\ncaf\xC3\xA9,\xC3\xBF\n", {{"caf\xE9", "\xFF", ""}}},
    {"UTF-16 LE", utf16(u"username,password,url\r\ncaf\u00E9,1\r\n", false), {{"caf\xE9", "1", ""}}},
    {"UTF-16 BE", utf16(u"username,password,url\n\u00E9,1\nsmile,\U0001F600\n", true), {{"\xE9", "1", ""}},
     {{3, kOutside}}},
    {"the code page's text, not UTF-8", "username,password,url\ncaf\xE9,na\xEFve \xAB" "1\xBB,u\n",
     {{"caf\xE9", "na\xEFve \xAB" "1\xBB", "u"}}, {}, {}, {}, {}, true},
    // Files that are not CSV exports of passwords.
    {"no bytes", "", {}, {}, CsvFileProblem::Empty},
    {"a mark and line ends", "\xEF\xBB\xBF\r\n\r\n", {}, {}, CsvFileProblem::Empty},
    {"a NUL byte", std::string("username,password\nann,1\0", 24), {}, {}, CsvFileProblem::NotText},
    {"UTF-16 LE without its mark", utf16(u"user,pass,url\nann,1,u\n", false).substr(2), {{"ann", "1", "u"}}},
    {"UTF-16 BE without its mark", utf16(u"user,pass,url\nann,1,u\n", true).substr(2), {{"ann", "1", "u"}}},
    {"zeros beside line ends only", std::string("\0\r\0\n\0\n", 6), {}, {}, CsvFileProblem::NotText},
    {"UTF-16 without its mark, cut short", utf16(u"user,pass\n", false).substr(2, 9), {}, {},
     CsvFileProblem::BrokenUtf16},
    {"a NUL in UTF-16", utf16(std::u16string(u"user,password\n\0", 15), false), {}, {}, CsvFileProblem::NotText},
    {"another code page's text (GBK), read as nonsense", "username,password\n\xD3\xC3\xBB\xA7\xC3\xFB,1\n", {},
     {}, kNotUnicode},
    {"another code page's text (Shift-JIS), with control codes", "username,password\n\x83p\x83X,1\n", {}, {},
     kNotUnicode},
    {"overlong UTF-8", "username,password\n\xE0\x80\xAF,1\n", {}, {}, kNotUnicode},
    {"a UTF-8 surrogate", "username,password\n\xED\xA0\x80,1\n", {}, {}, kNotUnicode},
    {"a lone UTF-16 surrogate", utf16(u"username,password\n\xD800,1\n", false), {}, {}, kNotUnicode},
    {"UTF-16 of an odd length", "\xFF\xFEu", {}, {}, kNotUnicode},
    // Files whose columns the user chooses; the import then reads them as the chooser first offers them.
    {"no password column", "site,note\nx,y\n", {}, {{2, kNeither}}, {}, kNoPassword},
    {"no address column, no title", "username,password\nann,1\n", {{"ann", "1", ""}}, {}, {}, kNoLocation},
    {"a password column alone", "password\nabc\n", {}, {{2, kNoUsernameHere}}, {}, CsvDoubt::NoUsernameColumn},
    {"an unknown column holds text where the username column is empty",
     "user,password,url,Benutzer\n,1,u,ann\n,2,u,bob\n", {}, {{2, kNoUsernameHere}, {3, kNoUsernameHere}}, {},
     CsvDoubt::UnknownColumn},
    // Files that import without asking: every role named, or a title to stand for the address.
    {"no address column: the title instead", "title,username,password\nA,ann,1\n", {{"ann", "1", "A"}}},
    {"an unknown column beside filled credentials", "user,password,url,Benutzer\nann,1,u,x\nbob,2,u,y\n",
     {{"ann", "1", "u"}, {"bob", "2", "u"}}},
};

// What an import of the file does: its text, the layout guessed, then the rows read in it.
CsvImport importCsv(std::string file, std::span<const EntryView> existing, CsvFileProblem* problem = nullptr,
                    CsvGuess* guess = nullptr, TextEncoding* encoding = nullptr) {
    CsvText text = csvTextOf(std::move(file), [](std::string_view latin1) -> std::optional<std::string> {
        return utf8FromLatin1(latin1);
    });
    if (encoding) *encoding = text.encoding;
    if (problem) *problem = text.problem;
    if (text.problem != CsvFileProblem::None) return {};
    CsvGuess guessed = guessLayout(text.utf8);
    if (guess) *guess = guessed;
    return importEntriesCsv(text.utf8, guessed.layout, existing, ToCodePage(&latin1FromUtf8));
}

TEST(EntryCsvImport, ReadsEachExportAndReportsWhatItSkips) {
    const EntryView existing[] = {kInVault};
    for (const ImportCase& c : kImportCases) {
        SCOPED_TRACE(c.name);
        CsvFileProblem problem;
        CsvGuess guess;
        TextEncoding encoding = TextEncoding::Utf8;
        CsvImport result = importCsv(c.file, existing, &problem, &guess, &encoding);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(encoding == TextEncoding::CodePage, c.readInCodePage);
        EXPECT_EQ(guess.doubt, c.doubt);
        EXPECT_EQ(entriesOf(result.entries), c.entries);
        EXPECT_EQ(result.titlesLeftOut, c.titlesLeftOut);
        Skips skipped;
        for (const CsvSkippedRow& row : result.skipped) {
            skipped.push_back({row.line, row.reason, row.lastLine == row.line ? 0 : row.lastLine});
            EXPECT_EQ(row.detail.empty(), row.reason != kUnstorable) << row.line;  // the editor's message
        }
        EXPECT_EQ(skipped, c.skipped);
        for (size_t reason = 0; reason < kCsvSkipReasons; ++reason) {
            auto sameReason = [&](const Skip& skip) { return static_cast<size_t>(skip.reason) == reason; };
            EXPECT_EQ(result.skippedCounts[reason], size_t(std::count_if(skipped.begin(), skipped.end(), sameReason)))
                << csvSkipReasonText(CsvSkipReason(reason));
        }
    }
}

// The vault cannot carry code 141, CR or LF: wherever one stands in a field, the row is skipped.
TEST(EntryCsvImport, SkipsARowWithAnUnstorableCharacterAnywhereInAField) {
    for (const char* character : {"\xC2\x8D", "\r", "\n"}) {
        for (size_t at = 0; at < 12; ++at) {
            const std::string field = std::string(at, 'p') + character + "pw";
            SCOPED_TRACE(testing::PrintToString(field));
            CsvImport result = importCsv("username,password,url\nann,\"" + field + "\",u\nbob,pw,u\n", {});
            EXPECT_EQ(entriesOf(result.entries), (std::vector<Entry>{{"bob", "pw", "u"}}));
            ASSERT_EQ(result.skipped.size(), 1u);
            EXPECT_EQ(result.skipped[0].reason, kUnstorable);
        }
    }
}

// Column names as exports spell them, and the field each names.
const std::pair<const char*, size_t CsvLayout::*> kHeaderNames[] = {
    {"URL", &CsvLayout::location},          {"uri", &CsvLayout::location},         {"URLs", &CsvLayout::location},
    {"login_uri", &CsvLayout::location},    {"Login_URLs", &CsvLayout::location},  {"Website", &CsvLayout::location},
    {"Web Site", &CsvLayout::location},     {"web_site", &CsvLayout::location},    {"site", &CsvLayout::location},
    {"Site URL", &CsvLayout::location},     {"domain", &CsvLayout::location},      {"Hostname", &CsvLayout::location},
    {"origin", &CsvLayout::location},       {"Address", &CsvLayout::location},     {"Link", &CsvLayout::location},
    {"Location", &CsvLayout::location},     {"Login URL", &CsvLayout::location},   {"Username", &CsvLayout::username},
    {"User Name", &CsvLayout::username},    {"user", &CsvLayout::username},        {"LOGIN", &CsvLayout::username},
    {"Login Name", &CsvLayout::username},   {"login_username", &CsvLayout::username},
    {"Email", &CsvLayout::username},        {"E-mail", &CsvLayout::username},      {"Account", &CsvLayout::username},
    {"Password", &CsvLayout::password},     {"Pass", &CsvLayout::password},        {"pwd", &CsvLayout::password},
    {"login_password", &CsvLayout::password}, {"Secret", &CsvLayout::password},
};

TEST(EntryCsvImport, KnowsEachFieldByTheNamesExportsGiveIt) {
    const std::pair<size_t CsvLayout::*, const char*> plainNames[] = {
        {&CsvLayout::username, "username"}, {&CsvLayout::password, "password"}, {&CsvLayout::location, "url"}};
    for (const auto& [name, field] : kHeaderNames) {
        SCOPED_TRACE(name);
        std::string header = std::string("Notes,") + name;
        for (const auto& [other, otherName] : plainNames)
            if (other != field) header += std::string(",") + otherName;
        CsvGuess guess = guessLayout(header + "\nn,x,y,z\n");
        EXPECT_EQ(guess.doubt, CsvDoubt::None);
        EXPECT_EQ(guess.layout.*field, 1u);
    }
}

TEST(EntryCsvImport, PreviewsTheFirstRowsByTheirColumnsNamesOrNumbers) {
    const std::string text = "name;;url\na;b;c;d\ne\nf\n";
    CsvPreview named = csvPreviewOf(text, CsvLayout{';', true}, 2, 10);
    EXPECT_EQ(named.columns, (std::vector<std::string>{"name", "Column 2", "url", "Column 4"}));
    EXPECT_EQ(named.rows, (std::vector<std::vector<SecretString>>{{"a", "b", "c", "d"}, {"e"}}));
    CsvPreview numbered = csvPreviewOf(text, CsvLayout{detectSeparator(text), false}, 1, 10);
    EXPECT_EQ(numbered.columns, (std::vector<std::string>{"Column 1", "Column 2", "Column 3"}));
    EXPECT_EQ(numbered.rows, (std::vector<std::vector<SecretString>>{{"name", "", "url"}}));
}

std::string exported(const std::vector<Entry>& entries, CsvExportType type, size_t& pieces) {
    std::string out;
    CsvExportWriter writer(
        FromCodePage(&utf8FromLatin1),
        [&](std::string_view piece) {
            out += piece;
            ++pieces;
            return true;
        },
        type);
    for (const Entry& e : entries) writer.add(e);
    EXPECT_TRUE(writer.finish());
    return out;
}

struct ExportCase {
    const char* name;
    CsvExportType type;
    std::vector<Entry> entries;
    std::string start;  // how the file begins
};

const ExportCase kExportCases[] = {
    {"Vellumkeep CSV",
     CsvExportType::Vellumkeep,
     {{"a,b", "say \"hi\"", " lead"}, {"trail ", "\ttab", "caf\xE9"}, {"dee", "=1+2", "\"q"}, {"x|y", "p,w", ""}},
     "\xEF\xBB\xBFUsername,Password,Website/Location\r\n\"a,b\",\"say \"\"hi\"\"\",\" lead\"\r\n"
     "\"trail \",\"\ttab\",caf\xC3\xA9\r\ndee,=1+2,\"\"\"q\"\r\nx|y,\"p,w\",\r\n"},
    {"Web browser CSV: the host as the name, or the username",
     CsvExportType::WebBrowser,
     {{"ann", "p,1", "https://ann@mail.example.com:8080/x"},
      {"bob", "p\"2", "www.example.com/login"},
      {"cy", "p3", "C:\\Shared, Docs"},
      {"dee", "p4", ""},
      {"\xE9ve", "p5", "http://[::1]:80/"},
      {"fay", "p6", "fay@mail.example"}},
     "name,url,username,password\r\nmail.example.com,https://ann@mail.example.com:8080/x,ann,\"p,1\"\r\n"
     "www.example.com,www.example.com/login,bob,\"p\"\"2\"\r\ncy,\"C:\\Shared, Docs\",cy,p3\r\ndee,,dee,p4\r\n"
     "[::1],http://[::1]:80/,\xC3\xA9ve,p5\r\nfay,fay@mail.example,fay,p6\r\n"},
};

// Each export type reads back as it was written, a big export as well as a small one.
TEST(EntryCsvExport, EachTypeReadsBackAsItWasWritten) {
    for (const ExportCase& c : kExportCases) {
        SCOPED_TRACE(c.name);
        std::vector<Entry> entries = c.entries;
        for (int i = 0; i < 3000; ++i) {  // more than one piece
            std::string n = std::to_string(i);
            entries.push_back({"user" + n, "pw" + n, "https://site.example/" + n});
        }
        size_t pieces = 0;
        std::string csv = exported(entries, c.type, pieces);
        EXPECT_GT(pieces, 1u);
        EXPECT_TRUE(csv.starts_with(c.start)) << csv.substr(0, c.start.size());

        CsvFileProblem problem;
        CsvGuess guess;
        CsvImport back = importCsv(csv, {}, &problem, &guess);
        EXPECT_EQ(problem, CsvFileProblem::None);
        EXPECT_EQ(guess.doubt, CsvDoubt::None);
        EXPECT_TRUE(back.skipped.empty());
        EXPECT_EQ(entriesOf(back.entries), entries);
    }
}

TEST(EntryCsvExport, StopsWhenThePieceWriterSaysSo) {
    int calls = 0;
    CsvExportWriter writer(FromCodePage(&utf8FromLatin1), [&](std::string_view) {
        ++calls;
        return false;
    });
    for (int i = 0; i < 5000; ++i) writer.add(kInVault);
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vk::vault
