// Payload texts made safe and readable for a terminal: quoted, UTF-8, control characters escaped.
#pragma once

#include <string>

namespace qdrpack {

// 8-bit configuration text: valid UTF-8 sequences are kept, any other byte becomes \xHH.
std::string quoted(const std::string& bytes);

// UTF-16 message text as UTF-8; an unpaired surrogate becomes \uHHHH.
std::string quoted(const std::u16string& text);

}  // namespace qdrpack
