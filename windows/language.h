// The user's locale: chosen once at start-up, it decides which language blocks apply and which
// language and country the Java side is given.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// "en" until the payload is loaded, then the name selectLocaleName chose ("de", "de_CH", "no_NO_NY").
extern std::string localeName;

// The locale name for a Windows language identifier: an exact match, else a match of its primary
// language (low 10 bits); nullptr when neither is in the table.
const char* lookupLocaleName(unsigned languageId);
std::size_t localeTableSize();

// Where the user's language identifiers come from: the format locale (GetUserDefaultLCID) and the
// user interface language (GetUserDefaultUILanguage, bound at run time; nullopt when Windows lacks
// it). Replaceable so that tests can set the two apart.
struct LanguageSources {
    std::function<unsigned()> formatLocale;
    std::function<std::optional<unsigned>()> userInterfaceLanguage;
};
LanguageSources systemLanguageSources();
void setLanguageSources(const LanguageSources& sources);

// The user interface language (or, with "-Dsun.locale.formatasdefault=true" as the last such
// argument, the format locale) as a locale name; "en" when unknown.
std::string selectLocaleName(const std::vector<std::wstring>& argList);

// The first two characters of localeName; always present.
bool getLanguageCode(std::string& code);
// Characters four and five of a five-character localeName; false otherwise.
bool getCountryCode(std::string& code);
