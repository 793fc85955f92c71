#include "launcher_roles.h"

#include <cstdio>
#include <sstream>

#include "child_roles.h"
#include "commandline.h"
#include "language.h"
#include "messages_en.h"
#include "payload.h"

namespace testing_support {

namespace {

std::string hexOf(const std::wstring& text) {
    std::string out;
    char unit[8];
    for (wchar_t ch : text) {
        snprintf(unit, sizeof unit, "%04x", static_cast<unsigned>(ch));
        out += unit;
    }
    return out;
}

std::wstring fromHex(const std::string& hex) {
    std::wstring out;
    for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) out.push_back(static_cast<wchar_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
    return out;
}

// Loads the payload as the launcher does and prints what it found. With `console`, fatal reader
// errors go to standard error instead of a message box.
int dumpPayload(bool console) {
    guiMessages = !console;
    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    loadPayload(argList);
    std::string language, country;
    getLanguageCode(language);
    const bool hasCountry = getCountryCode(country);
    printf("locale %s\nlanguage %s\ncountry %d %s\ngui %d\n", localeName.c_str(), language.c_str(), hasCountry ? 1 : 0,
           country.c_str(), guiMessages ? 1 : 0);
    for (const auto& [id, value] : configTable) printf("config %d %s\n", id, value.c_str());
    for (const auto& [id, text] : messageTable) printf("message %d %s\n", id, hexOf(text).c_str());
    fflush(stdout);
    return 0;
}

const bool registered = registerChildRole("dump-payload", [] { return dumpPayload(false); }) &&
                        registerChildRole("dump-payload-console", [] { return dumpPayload(true); });

}  // namespace

ArgList loadOwnPayloadWithDefaultMessages() {
    guiMessages = false;
    ArgList argList;
    tokenizeCommandLine(GetCommandLineW(), argList);
    loadPayload(argList);
    for (const payload::Message& message : payload::defaultMessages("Test"))
        if (!messageTable.count(message.id)) messageTable[message.id] = std::wstring(message.text.begin(), message.text.end());
    return argList;
}

PayloadDump parsePayloadDump(const std::string& out) {
    PayloadDump dump;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "locale") fields >> dump.locale;
        if (kind == "language") fields >> dump.language;
        if (kind == "country") fields >> dump.hasCountry >> dump.country;
        if (kind == "gui") fields >> dump.gui;
        if (kind == "config" || kind == "message") {
            int id = 0;
            fields >> id;
            std::string value;
            std::getline(fields, value);
            if (!value.empty() && value[0] == ' ') value.erase(0, 1);
            if (kind == "config")
                dump.config[id] = value;
            else
                dump.messages[id] = fromHex(value);
        }
    }
    return dump;
}

ChildResult runOwnImage(const TempDir& dir, const std::string& role, const payload::Contents& contents,
                        ChildOptions options) {
    const std::wstring exe = writeInstaller(dir.file(L"image.exe"), contents, ownExecutablePath());
    options.arguments = childArgument(role) + (options.arguments.empty() ? L"" : L" " + options.arguments);
    for (const auto& [name, value] : logInDirEnvironment(dir.path()))
        if (!options.environment.count(name)) options.environment[name] = value;
    return runChild(exe, options);
}

}  // namespace testing_support
