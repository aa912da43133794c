#pragma once
// Every generated catalogue model, callable on an array of k entries.

#include <cstdint>
#include <vector>

namespace kestrav {

struct GeneratedModel {
  int number;
  int entryCount;
  std::int32_t (*evaluate)(const std::uint16_t* entries);
};

const std::vector<GeneratedModel>& generatedModels();

}  // namespace kestrav
