#pragma once
// A model given on the command line, expanded at start-up from its Gram
// code(s) with the model library's expansion.

#include <string>

#include "cli/arguments.hpp"
#include "engine/search_model.hpp"

namespace kestrav::cli {

// Decodes the codes, expands every block and checks the search. Returns
// false with a one-line message naming the argument at fault.
bool buildCustomModel(const SearchArguments& args, engine::SearchModel& model, std::string& error);

}  // namespace kestrav::cli
