#include "kestrav/error.hpp"

#include "core/quoted_text.hpp"

namespace kestrav {

const char* fieldName(Field field) {
  switch (field) {
    case Field::Gram:
      return "gram";
    case Field::Blocks:
      return "blocks";
    case Field::Entries:
      return "entries";
    case Field::Layout:
      return "layout";
    case Field::Total:
      return "total";
    case Field::Multipliers:
      return "multipliers";
    case Field::Threads:
      return "threads";
    case Field::Shard:
      return "shard";
    case Field::Simd:
      return "simd";
    case Field::Program:
      return "program";
    case Field::Catalogue:
      return "catalogue";
    case Field::Checks:
      return "checks";
    case Field::Checkpoint:
      return "checkpoint";
    case Field::Manifest:
      return "manifest";
  }
  return "?";
}

Error::Error(Field field, std::string reason)
    : std::invalid_argument(std::string(fieldName(field)) + ": " + reason),
      field_(field),
      reason_(std::move(reason)) {}

std::string quoted(std::string_view text) { return quoteForMessage(text); }

std::string shownFileName(std::string_view name) { return shownName(name); }

}  // namespace kestrav
