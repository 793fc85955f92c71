// Java version strings: parsing into numbers, bounds, the pre-release rule, newest-first order.
#pragma once

#include <string>
#include <vector>

// One integer per component of a version string, in order; empty for an empty string.
using VersionParts = std::vector<int>;

// Splits at ".", "_", "-" and "+" (runs and ends give no empty piece) and reads each piece as
// strtol does in base 10: 1.8.0_80-b15 gives 1, 8, 0, 80, 0.
VersionParts parseVersion(const std::string& version);

// Whether `candidate` lies on the allowed side of `bound` (a minimum, or a maximum when
// `isMaximum`). A candidate that ends before the bound while equal so far passes only when lenient.
bool withinBound(const VersionParts& bound, const VersionParts& candidate, bool isMaximum, bool lenient);

// Lenient check of both bounds; pre-selects registry key names such as "1.8".
bool versionInRange(const std::string& version, const VersionParts& minimum, const VersionParts& maximum);

// The final check of a runtime's version: refuses "beta", "ea" and "rc" unless `allowPreRelease`
// or configuration 130 allows them, then checks both bounds strictly.
bool acceptJavaVersion(const std::string& version, const VersionParts& minimum, const VersionParts& maximum,
                       bool allowPreRelease);

// True when `a` is newer than `b`; equal versions are neither newer nor older.
bool versionGreater(const std::string& a, const std::string& b);

// The configured bounds (configuration 126 and 127), read anew on every call.
VersionParts configuredMinimumVersion();
VersionParts configuredMaximumVersion();

// Registry key names in plain ascending byte order; callers try them from the end, newest first.
void sortKeyNamesAscending(std::vector<std::string>& names);
