#include "vmoptions.h"

#include <windows.h>

#include <share.h>

#include "language.h"
#include "launchervars.h"
#include "lists.h"
#include "log.h"
#include "paths.h"
#include "payload.h"
#include "textconv.h"
#include "winapi_twins.h"
#include "workdirs.h"

namespace {

constexpr std::size_t kLineCapacity = 30000;
const std::wstring kInclude = L"-include-options ";

bool startsWith(const std::wstring& text, const std::wstring& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

FILE* openShared(const std::wstring& path) { return _wfsopen(path.c_str(), L"rt", _SH_DENYNO); }

void includeFile(const wchar_t* baseFile, const std::wstring& rest, VmOptions& destination) {
    const std::wstring expanded = expandLauncherVariablesW(rest, false, kPathCapacity);
    logMessage(L"after exp from %s %s", expanded.c_str(), rest.c_str());
    const std::wstring path = makeAbsolutePathW(expanded, baseFile, false);
    if (destination.includeDepth >= kMaxIncludeDepth) {
        logError(L"vmoptions include depth %d reached, not reading %s", kMaxIncludeDepth, path.c_str());
        return;
    }
    FILE* file = openShared(path);
    logMessage(L"adding vmoptions from (%p) <%s> (%s)", file, path.c_str(), expanded.c_str());
    ++destination.includeDepth;
    readVmOptionsFile(path.c_str(), file, destination);
    --destination.includeDepth;
    logMessage(L"adding vmoptions 2");
    logMessage(L"adding vmoptions 3");
}

std::string trimmedLine(const char* raw) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = line.find_last_not_of(' ');
    return line.substr(first, last - first + 1);
}

FILE* openBeside(const std::wstring& exe) {
    const std::wstring first = exe.substr(0, exe.size() >= 4 ? exe.size() - 4 : 0) + L".vmoptions";
    FILE* file = openShared(first);
    logMessage(L"vmoptions2: exe %s file: %s, file: %p", exe.c_str(), first.c_str(), file);
    if (file) return file;
    const std::wstring second = exe + L".vmoptions";
    file = openShared(second);
    logMessage(L"vmoptions: opts2: %s, file: %p", second.c_str(), file);
    return file;
}

void addVersionSpecificOptions(VmOptions& destination) {
    const int count = getConfigInt(10200);
    if (count > 0) logMessage(L"check %d version specific vm option lines for %S", count, jvmVersion ? jvmVersion->c_str() : "");
    if (!jvmVersion) return;
    for (int i = 0; i < count; ++i) {
        const std::string prefix = dupConfigString(10201 + 2 * i);
        const bool matches = jvmVersion->compare(0, prefix.size(), prefix) == 0 && jvmVersion->size() >= prefix.size();
        logMessage(L"checking version %S %d", prefix.c_str(), matches ? 1 : 0);
        if (!matches) continue;
        wchar_t line[kPathCapacity];
        getConfigStringW(10202 + 2 * i, line, kPathCapacity);
        logMessage(L"adding specific %s", line);
        ArgList tokens;
        tokenizeCommandLine(expandLauncherVariablesW(std::wstring(line), true, kPathCapacity), tokens);
        addOptionTokens(tokens, destination);
        return;
    }
}

void addLocaleOptions(const ArgList& argList, VmOptions& destination) {
    const std::wstring property = L"-Dsun.locale.formatasdefault=";
    const std::wstring* last = nullptr;
    for (const std::wstring& argument : argList)
        if (startsWith(argument, property)) last = &argument;
    if (last) classifyVmOption(nullptr, *last, destination);
    if (last && *last == property + L"true") return;
    std::string code;
    if (getLanguageCode(code)) classifyVmOption(nullptr, L"-Duser.language=" + widenBytes(code), destination);
    if (getCountryCode(code)) classifyVmOption(nullptr, L"-Duser.country=" + widenBytes(code), destination);
}

std::string classpathOption(const VmOptions& destination) {
    std::string text = "-Djava.class.path=";
    if (destination.classpathPrepend) text += *destination.classpathPrepend + ";";
    appendArchivesOfDirectory(text, workDir, "jar");
    appendArchivesOfDirectory(text, workDir, "zip");
    const std::string user = workDir + "\\user";
    appendArchivesOfDirectory(text, user, "jar");
    appendArchivesOfDirectory(text, user, "zip");
    if (destination.classpathReplace)
        text += *destination.classpathReplace;
    else
        buildConfiguredClasspath(text);
    if (destination.classpathAppend) {
        if (text.back() != ';') text += ';';
        text += *destination.classpathAppend;
    }
    if (text.back() == ';') text.pop_back();
    return text;
}

// One configured class path entry; false when a mandatory entry found nothing.
bool appendConfiguredEntry(std::string& classpath, const std::string& entry) {
    const char kind = entry[0];
    const bool mandatory = entry.size() > 1 && entry[1] == '1';
    const std::string name = expandLauncherVariablesA(entry.size() > 2 ? entry.substr(2) : std::string());
    bool found = false;
    if (kind == 'A' || kind == 'D') {
        const std::string path = makeAbsolutePathList(name);
        found = pathExists(path);
        classpath += path + ";";
    } else if (kind == 'E') {
        char value[kPathCapacity] = {};
        const DWORD length = GetEnvironmentVariableA(name.c_str(), value, kPathCapacity);
        if (length == 0 || length >= kPathCapacity) {
            if (mandatory && GetLastError() == ERROR_ENVVAR_NOT_FOUND) fatalMessageArgA(1008, name.c_str());
            return !mandatory;
        }
        std::string text = value;
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        classpath += text;
        if (text.empty() || text.back() != ';') classpath += ';';
        found = true;
    } else if (kind == 'S') {
        const std::string directory = makeAbsolutePath(name);
        found = appendArchivesOfDirectory(classpath, directory, "jar");
        appendArchivesOfDirectory(classpath, directory, "zip");
    }
    if (mandatory && !found) fatalMessageArgA(1006, name.c_str());
    return true;
}

}  // namespace

void classifyVmOption(const wchar_t* baseFile, const std::wstring& text, VmOptions& destination) {
    if (startsWith(text, kInclude)) {
        includeFile(baseFile, text.substr(kInclude.size()), destination);
    } else if (startsWith(text, L"-classpath ")) {
        destination.classpathReplace = toFileApiString(text.substr(11));
    } else if (startsWith(text, L"-classpath/p ")) {
        destination.classpathPrepend = toFileApiString(text.substr(13));
    } else if (startsWith(text, L"-classpath/a ")) {
        destination.classpathAppend = toFileApiString(text.substr(13));
    } else {
        destination.options.push_back(toFileApiString(text));
    }
}

void addOptionTokens(const ArgList& tokens, VmOptions& destination) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] == L"-include-options" && i + 1 < tokens.size()) {
            classifyVmOption(nullptr, tokens[i] + L" " + tokens[i + 1], destination);
            ++i;
        } else {
            classifyVmOption(nullptr, tokens[i], destination);
        }
    }
}

void readVmOptionsFile(const wchar_t* baseFile, FILE* file, VmOptions& destination) {
    if (!file) return;
    std::vector<char> buffer(kLineCapacity);
    while (fgets(buffer.data(), static_cast<int>(buffer.size()), file)) {
        const std::string line = trimmedLine(buffer.data());
        if (line.empty() || line[0] == '#') continue;
        const std::wstring expanded = expandLauncherVariablesW(widenBytes(line), true, kLineCapacity);
        classifyVmOption(baseFile, expanded, destination);
    }
    fclose(file);
}

FILE* openDefaultVmOptionsFile() {
    if (FILE* file = openBeside(getExePathW())) return file;
    wchar_t module[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, module, kPathCapacity);
    return openBeside(module);
}

void addConfiguredVmOptions(const ArgList& argList, VmOptions& destination) {
    wchar_t configured[kPathCapacity];
    getConfigStringW(123, configured, kPathCapacity);
    ArgList tokens;
    tokenizeCommandLine(expandLauncherVariablesW(std::wstring(configured), true, kPathCapacity), tokens);
    logMessage(L"adding options");
    addOptionTokens(tokens, destination);
    addVersionSpecificOptions(destination);
    if (getConfigInt(125) != 0)
        for (const std::wstring& argument : argList)
            if (startsWith(argument, L"-J")) classifyVmOption(nullptr, argument.substr(2), destination);
    addLocaleOptions(argList, destination);
}

void buildConfiguredClasspath(std::string& classpath) {
    char configured[kPathCapacity];
    getConfigString(121, configured, kPathCapacity);
    logMessage(L"classpath entry %S", configured);
    const std::vector<std::string> entries = splitList(configured);
    logMessage(L"classpath entries %d", static_cast<int>(entries.size()));
    for (const std::string& entry : entries) appendConfiguredEntry(classpath, entry);
}

bool appendArchivesOfDirectory(std::string& classpath, const std::string& directory, const std::string& extension) {
    if (!pathExists(directory)) return false;
    for (const std::string& name : listFilesWithExtension(directory, extension))
        classpath += makeAbsolutePath(directory + "\\" + name) + ";";
    return true;
}

std::vector<std::string> listFilesWithExtension(const std::string& directory, const std::string& extension) {
    std::vector<std::string> names;
    const std::string pattern = directory + "\\*" + (extension.rfind('.', 0) == 0 ? "" : ".") + extension;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string makeAbsolutePathList(const std::string& list, const std::function<void(const std::string&)>& eachPiece) {
    std::string output;
    for (const std::string& piece : splitList(list.substr(0, kPathCapacity - 1))) {
        const std::string absolute = makeAbsolutePath(piece);
        if (!output.empty()) output += ';';
        output += absolute;
        if (eachPiece) eachPiece(absolute);
    }
    return output;
}

void buildJvmInitArgs(JavaVMInitArgs& initArgs, const char* const* extraOptions, const ArgList& argList) {
    VmOptions destination;
    for (const char* const* extra = extraOptions; extra && *extra; ++extra) destination.options.push_back(*extra);
    addConfiguredVmOptions(argList, destination);
    if (getConfigInt(166) != 0) {
        FILE* file = openDefaultVmOptionsFile();
        logMessage(L"default vmoptions file: %p", file);
        readVmOptionsFile(nullptr, file, destination);
    }
    destination.options.push_back(classpathOption(destination));

    // Kept for the life of the process: the virtual machine may hold on to them.
    auto* options = new JavaVMOption[destination.options.size()];
    for (std::size_t i = 0; i < destination.options.size(); ++i) {
        const std::string& text = destination.options[i];
        char* copy = new char[text.size() + 1];
        memcpy(copy, text.c_str(), text.size() + 1);
        options[i].optionString = copy;
        options[i].extraInfo = nullptr;
    }
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = static_cast<jint>(destination.options.size());
    initArgs.options = options;
    initArgs.ignoreUnrecognized = JNI_TRUE;
    logMessage(L"vmoption count %d", initArgs.nOptions);
    for (jint i = 0; i < initArgs.nOptions; ++i) logMessage(L"vmoption %d: %S", static_cast<int>(i), options[i].optionString);
}
