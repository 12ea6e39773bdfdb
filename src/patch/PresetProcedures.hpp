#pragma once

#include "core/ByteUtils.hpp"
#include "core/PatchMode.hpp"
#include "patch/PowerPlayLayout.hpp"

#include <string>
#include <vector>

namespace ventora::PresetProcedures {

/// Runs the preset of `mode` on a table whose layout its family accepted: the family's two
/// announcement lines, then the enable flag, and for a fan-stop preset the start and stop
/// temperatures, each edit logged whether or not the stored value changes.
void run(Bytes& table, const PowerPlayLayout& layout, PatchMode mode,
         std::vector<std::string>& messages);

} // namespace ventora::PresetProcedures
