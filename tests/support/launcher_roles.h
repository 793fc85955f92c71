// Child roles that run launcher routines inside a copy of the test program that carries a
// payload, so that they read it exactly as the launcher reads its own image.
#pragma once

#include <map>
#include <string>

#include "commandline.h"
#include "testsupport.h"

namespace testing_support {

// What the "dump-payload" role printed: the locale, the codes, guiMessages and both tables.
struct PayloadDump {
    std::string locale, language, country;
    bool hasCountry = false;
    bool gui = false;
    std::map<int, std::string> config;
    std::map<int, std::wstring> messages;
};
PayloadDump parsePayloadDump(const std::string& out);

// In a child role: loads the image's payload as the launcher does, with fatal messages on standard
// error, and fills in the English messages the payload does not carry.
ArgList loadOwnPayloadWithDefaultMessages();

// Writes this test program with `contents` appended into `dir` and runs it in `role`.
ChildResult runOwnImage(const TempDir& dir, const std::string& role, const payload::Contents& contents,
                        ChildOptions options = {});

}  // namespace testing_support
