// ";"-separated lists of the configuration.
#pragma once

#include <string>
#include <vector>

// The pieces between the separators in order; runs of separators give no empty piece.
inline std::vector<std::string> splitList(const std::string& list, char separator = ';') {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t end = list.find(separator, at);
        const std::size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > at) pieces.push_back(list.substr(at, stop - at));
        at = stop + 1;
    }
    return pieces;
}
