#include "included_name.h"

#include <algorithm>

namespace qdrpack {

namespace {

std::string segmentProblem(std::string_view segment) {
    if (segment.empty()) return "has an empty segment";
    if (segment == "." || segment == "..") return "has a \"" + std::string(segment) + "\" segment";
    return {};
}

}  // namespace

std::string includedNameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    if (name.size() >= 2 && name[1] == ':') return "has a drive letter";
    if (name.front() == '\\') return "is absolute";
    // ";" ends a name in the list the launcher splits; "/" would be a second separator to Windows.
    for (char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) return "has a character that is not printable ASCII";
        if (std::string_view("/:*?\"<>|;").find(c) != std::string_view::npos)
            return std::string("has the reserved character '") + c + "'";
    }
    if (std::count(name.begin(), name.end(), '\\') > 1) return "has more than one \"\\\"";
    const std::size_t split = name.find('\\');
    if (split == std::string_view::npos) return segmentProblem(name);
    if (std::string problem = segmentProblem(name.substr(0, split)); !problem.empty()) return problem;
    return segmentProblem(name.substr(split + 1));
}

}  // namespace qdrpack
