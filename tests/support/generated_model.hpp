#pragma once
// A catalogue row's generated model, looked up by program number.

#include <stdexcept>
#include <string>

#include "models/catalogue.hpp"
#include "models/model_table.hpp"

namespace kestrav::testing {

inline const GeneratedModel& generatedModel(int number) {
  if (const auto* model = findByNumber(generatedModels(), number)) return *model;
  throw std::out_of_range("no model " + std::to_string(number));
}

}  // namespace kestrav::testing
