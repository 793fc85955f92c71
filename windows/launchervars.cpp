#include "launchervars.h"

#include <windows.h>

#include <cstring>

#include "log.h"
#include "paths.h"
#include "textconv.h"
#include "workdirs.h"

std::string jvmHome;
std::optional<std::string> jvmVersion;

namespace {

enum class Value { LauncherDir, WorkDir, Separator, JvmHome, TempDir };

struct Variable {
    const char* name;
    Value value;
};

// Replaced in this order; a value inserted by one name is seen by the names after it.
constexpr Variable kVariables[] = {
    {"%VANTLE_EXEDIR%", Value::LauncherDir},
    {"%QUILDER_EXEDIR%", Value::LauncherDir},
    {"%VANTLE_TEMPDIR%", Value::WorkDir},
    {"%QUILDER_TEMPDIR%", Value::WorkDir},
    {"%VANTLE_PATHLIST_SEPARATOR%", Value::Separator},
    {"%QUILDER_PATHLIST_SEPARATOR%", Value::Separator},
    {"%VANTLE_JVM_HOME%", Value::JvmHome},
    {"%QUILDER_JVM_HOME%", Value::JvmHome},
    {"${VANTLE_EXEDIR}", Value::LauncherDir},
    {"${QUILDER_EXEDIR}", Value::LauncherDir},
    {"${VANTLE_TEMPDIR}", Value::WorkDir},
    {"${QUILDER_TEMPDIR}", Value::WorkDir},
    {"${VANTLE_PATHLIST_SEPARATOR}", Value::Separator},
    {"${QUILDER_PATHLIST_SEPARATOR}", Value::Separator},
    {"${VANTLE_JVM_HOME}", Value::JvmHome},
    {"${QUILDER_JVM_HOME}", Value::JvmHome},
    {"${launcher:sys.launcherDirectory}", Value::LauncherDir},
    {"${launcher:sys.launcherTempDirectory}", Value::WorkDir},
    {"${launcher:sys.pathlistSeparator}", Value::Separator},
    {"${launcher:sys.jvmHome}", Value::JvmHome},
    {"${launcher:sys.tempDir}", Value::TempDir},
};

// Replaces every occurrence of `name` by `value`, searching on behind each inserted value. `log`
// writes the designed "expanding2" line for one replacement. Replacements that would make the text
// longer than `limit` are left out.
template <typename Text, typename Log>
void replaceVariable(Text& text, const Text& name, const Text& value, std::size_t limit, Log log) {
    std::size_t at = 0;
    while ((at = text.find(name, at)) != Text::npos) {
        if (text.size() - name.size() + value.size() > limit) {
            logError(L"expansion left out: the text would exceed %d characters", static_cast<int>(limit));
            at += name.size();
            continue;
        }
        text.replace(at, name.size(), value);
        log(text);
        at += value.size();
    }
}

void replaceVariableW(std::wstring& text, const std::wstring& name, const std::wstring& value, std::size_t limit) {
    replaceVariable(text, name, value, limit, [&](const std::wstring& now) {
        logMessage(L"expanding2 %s to %s in %s.", name.c_str(), value.c_str(), now.c_str());
    });
}

void replaceVariableWA(std::wstring& text, const std::wstring& name, const std::string& value, std::size_t limit) {
    replaceVariable(text, name, widenBytes(value), limit, [&](const std::wstring& now) {
        logMessage(L"expanding2 %s to %S in %s.", name.c_str(), value.c_str(), now.c_str());
    });
}

void replaceVariableA(std::string& text, const std::string& name, const std::string& value, std::size_t limit) {
    replaceVariable(text, name, value, limit, [&](const std::string& now) {
        logMessage(L"expanding2 %S to %S in %S.", name.c_str(), value.c_str(), now.c_str());
    });
}

// "${NAME}" and its upper-cased form for every entry of an environment block, in block order.
template <typename Ch, typename Replace>
void replaceEnvironmentReferences(const Ch* block, Replace replace) {
    using Text = std::basic_string<Ch>;
    for (const Ch* entry = block; *entry; entry += Text(entry).size() + 1) {
        const Text copy = entry;
        const std::size_t equals = copy.find('=');
        if (equals == Text::npos) continue;
        const Text open = {'$', '{'};
        const Text reference = open + copy.substr(0, equals) + Ch('}');
        const Text value = copy.substr(equals + 1);
        replace(reference, value);
        Text upper = reference;
        for (Ch& ch : upper)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<Ch>(ch - 'a' + 'A');
        replace(upper, value);
    }
}

// The ANSI environment block: its function carries no "A" and UNICODE maps the name to the wide one.
char* ansiEnvironmentStrings() {
#pragma push_macro("GetEnvironmentStrings")
#undef GetEnvironmentStrings
    return GetEnvironmentStrings();
#pragma pop_macro("GetEnvironmentStrings")
}

std::size_t limitOf(std::size_t capacity) { return capacity > 0 ? capacity - 1 : 0; }

}  // namespace

void recordSelectedJvm(const char* javaExe, const char* version) {
    std::string path = javaExe;
    const bool windowed = path.size() >= 9 && path.compare(path.size() - 9, 9, "javaw.exe") == 0;
    const std::size_t cut = windowed ? 9 : 8;
    path.resize(path.size() >= cut ? path.size() - cut : 0);
    jvmHome = path + "..";
    jvmVersion = version;
}

std::wstring expandLauncherVariablesW(std::wstring text, bool ansiSafe, std::size_t capacity) {
    const std::size_t limit = limitOf(capacity);
    const ExeDirs& dirs = initExeDir();
    const std::wstring launcherDir = ansiSafe ? dirs.exeDirFromAnsiW : dirs.exeDirW;
    const std::string tempAnsi = ansiSafe ? resolveTempPath() : std::string();
    const std::wstring tempWide = ansiSafe ? std::wstring() : resolveTempPathW(true);
    for (const Variable& variable : kVariables) {
        const std::wstring name = widenBytes(variable.name);
        switch (variable.value) {
            case Value::LauncherDir: replaceVariableW(text, name, launcherDir, limit); break;
            case Value::WorkDir: replaceVariableWA(text, name, workDir, limit); break;
            case Value::Separator: replaceVariableW(text, name, L";", limit); break;
            case Value::JvmHome: replaceVariableWA(text, name, jvmHome, limit); break;
            case Value::TempDir:
                if (ansiSafe)
                    replaceVariableWA(text, name, tempAnsi, limit);
                else
                    replaceVariableW(text, name, tempWide, limit);
                break;
        }
    }
    wchar_t* block = GetEnvironmentStringsW();
    replaceEnvironmentReferences(block, [&](const std::wstring& reference, const std::wstring& value) {
        replaceVariableW(text, reference, value, limit);
    });
    FreeEnvironmentStringsW(block);
    return text;
}

std::string expandLauncherVariablesA(std::string text, std::size_t capacity) {
    const std::size_t limit = limitOf(capacity);
    const std::string& launcherDir = initExeDir().exeDirA;
    const std::string temp = resolveTempPath();
    for (const Variable& variable : kVariables) {
        const char* value = "";
        switch (variable.value) {
            case Value::LauncherDir: value = launcherDir.c_str(); break;
            case Value::WorkDir: value = workDir.c_str(); break;
            case Value::Separator: value = ";"; break;
            case Value::JvmHome: value = jvmHome.c_str(); break;
            case Value::TempDir: value = temp.c_str(); break;
        }
        replaceVariableA(text, variable.name, value, limit);
    }
    char* block = ansiEnvironmentStrings();
    replaceEnvironmentReferences(block, [&](const std::string& reference, const std::string& value) {
        replaceVariableA(text, reference, value, limit);
    });
    FreeEnvironmentStringsA(block);
    return text;
}

void expandLauncherVariablesW(wchar_t* text, std::size_t capacity, bool ansiSafe) {
    if (capacity == 0) return;
    const std::wstring expanded = expandLauncherVariablesW(std::wstring(text), ansiSafe, capacity);
    wmemcpy(text, expanded.c_str(), expanded.size() + 1);
}

void expandLauncherVariablesA(char* text, std::size_t capacity) {
    if (capacity == 0) return;
    const std::string expanded = expandLauncherVariablesA(std::string(text), capacity);
    memcpy(text, expanded.c_str(), expanded.size() + 1);
}
