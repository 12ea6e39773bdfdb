#pragma once

#include <string>

namespace ventora {

/// A fresh random (version 4) UUID in its standard upper-case text form, as used in the
/// names of every temporary file and folder the program creates.
[[nodiscard]] std::string newUuidString();

} // namespace ventora
