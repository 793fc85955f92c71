// qdrpack inspect: what an installer carries and whether its checksum holds.
#pragma once

#include <ostream>
#include <string>

#include "reader.h"

namespace qdrpack {

// Writes the report of `installer`, ending with the line "checksum holds" or
// "checksum does not hold".
void printPayload(const payload::InstallerPayload& installer, std::ostream& out);

// Reads and reports the installer at `path`. Returns 0 when its checksum holds, 1 when it does
// not or when the file or its payload cannot be read (the reason goes to `err`).
int inspectCommand(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace qdrpack
