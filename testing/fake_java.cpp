// A stand-in for java.exe and javaw.exe. It reads "fake-java.cfg" beside itself:
//   line 1: the text to write to standard error ("\n" in it starts a new line; CR LF is written)
//   line 2: the exit code (0 when absent)
//   line 3: "hang" to sleep until it is ended
// Without the file it behaves like a Java 8 runtime. Every start is appended to "fake-java.calls"
// beside it, so tests can tell whether a probe ran, and the installation marker the launcher held at
// that moment to "fake-java.markers" ("none" when it was not set).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string besideMe(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    directory.resize(directory.find_last_of('\\') + 1);
    return directory + name;
}

std::string unescapeLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string chomp(const char* line) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string installMarker() {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "SOFTWARE\\brenvask\\vantle", "InstallStarted", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return "none";
    return std::to_string(value);
}

}  // namespace

int main() {
    if (FILE* calls = fopen(besideMe("fake-java.calls").c_str(), "a")) {
        fprintf(calls, "%s\n", GetCommandLineA());
        fclose(calls);
    }
    if (FILE* markers = fopen(besideMe("fake-java.markers").c_str(), "ab")) {
        fprintf(markers, "%s\n", installMarker().c_str());
        fclose(markers);
    }
    std::string firstLine = "java version \"1.8.0_80\"";
    int exitCode = 0;
    bool hang = false;
    if (FILE* config = fopen(besideMe("fake-java.cfg").c_str(), "r")) {
        char line[4096];
        if (fgets(line, sizeof line, config)) firstLine = chomp(line);
        if (fgets(line, sizeof line, config)) exitCode = atoi(line);
        if (fgets(line, sizeof line, config)) hang = chomp(line) == "hang";
        fclose(config);
    }
    const std::string output = unescapeLines(firstLine) + "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
    if (hang) Sleep(INFINITE);
    return exitCode;
}
