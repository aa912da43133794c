#pragma once
// The names of a program and of its result file, for the programs, the
// generator, the command, the library, the verification and the tests alike.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrav {

// kestravN, the program of catalogue row N.
inline std::string programName(std::int32_t programNumber) {
  std::string name = "kestrav";
  name += std::to_string(programNumber);
  return name;
}

// OutputPartN.txt; a part of a sharded run carries its part before the
// extension (OutputPartN.shard-i-of-N.txt).
inline std::string resultFileName(std::int32_t programNumber, std::string_view part = {}) {
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "..." + ...
  std::string name = "OutputPart";
  name += std::to_string(programNumber);
  name += part;
  name += ".txt";
  return name;
}

}  // namespace kestrav
