// The English message table an installer carries unless its project overrides entries.
#pragma once

#include <string>
#include <vector>

#include "writer.h"

namespace payload {

// The default texts; `applicationName` (UTF-8) starts messages 20001 and 20007.
std::vector<Message> defaultMessages(const std::string& applicationName);

}  // namespace payload
