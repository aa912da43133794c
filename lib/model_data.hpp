#pragma once
// What a kestrav::Model holds: the blocks as given and the engine's
// expanded, checked search.

#include "engine/search_model.hpp"
#include "kestrav/model.hpp"

namespace kestrav::detail {

struct ModelData {
  engine::SearchModel search;
  std::vector<Block> blocks;
  bool fromGram = false;
};

// A model of a search the engine has already checked (a catalogue row's).
Model modelOf(engine::SearchModel search, std::vector<Block> blocks, bool fromGram);

}  // namespace kestrav::detail
