#include "javaversion.h"

#include <algorithm>
#include <cstdlib>

#include "log.h"
#include "payload.h"
#include "winapi_twins.h"

namespace {

bool isSeparator(char ch) { return ch == '.' || ch == '_' || ch == '-' || ch == '+'; }

bool isPreRelease(const std::string& version) {
    return version.find("beta") != std::string::npos || version.find("ea") != std::string::npos ||
           version.find("rc") != std::string::npos;
}

VersionParts configuredVersion(int id) {
    char buffer[kPathCapacity];
    getConfigString(id, buffer, kPathCapacity);
    return parseVersion(buffer);
}

}  // namespace

VersionParts parseVersion(const std::string& version) {
    VersionParts parts;
    std::size_t at = 0;
    while (at < version.size()) {
        if (isSeparator(version[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < version.size() && !isSeparator(version[end])) ++end;
        // strtol clamps to the 32-bit range of long on Windows.
        parts.push_back(static_cast<int>(strtol(version.substr(at, end - at).c_str(), nullptr, 10)));
        at = end;
    }
    return parts;
}

bool withinBound(const VersionParts& bound, const VersionParts& candidate, bool isMaximum, bool lenient) {
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (i >= candidate.size()) return lenient;
        if (candidate[i] == bound[i]) continue;
        return isMaximum ? candidate[i] < bound[i] : candidate[i] > bound[i];
    }
    return true;
}

bool versionInRange(const std::string& version, const VersionParts& minimum, const VersionParts& maximum) {
    const VersionParts parts = parseVersion(version);
    return withinBound(minimum, parts, false, true) && withinBound(maximum, parts, true, true);
}

bool acceptJavaVersion(const std::string& version, const VersionParts& minimum, const VersionParts& maximum,
                       bool allowPreRelease) {
    if (!allowPreRelease && getConfigInt(130) == 0 && isPreRelease(version)) {
        logMessage(L"beta vm not allowed");
        return false;
    }
    const VersionParts parts = parseVersion(version);
    return withinBound(minimum, parts, false, false) && withinBound(maximum, parts, true, false);
}

bool versionGreater(const std::string& a, const std::string& b) {
    const VersionParts first = parseVersion(a);
    const VersionParts second = parseVersion(b);
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (i >= second.size()) return true;
        if (first[i] != second[i]) return first[i] > second[i];
    }
    return false;
}

VersionParts configuredMinimumVersion() { return configuredVersion(126); }
VersionParts configuredMaximumVersion() { return configuredVersion(127); }

void sortKeyNamesAscending(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end());  // std::string orders as unsigned bytes, like strcmp
}
