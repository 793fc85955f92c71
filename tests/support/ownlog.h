// The diagnostic log of the test process itself, for tests that call launcher routines directly.
#pragma once

#include <string>

#include "log.h"
#include "testsupport.h"

namespace testing_support {

inline std::string ownLogText() {
    const wchar_t* path = logPathForDisplay();
    return path ? readLog(path) : std::string();
}

// The lines logged since it was made.
struct LogMark {
    std::size_t at = ownLogText().size();
    std::string since() const { return ownLogText().substr(at); }
};

}  // namespace testing_support
