#pragma once
// The library's own way to make the public handles from their data.

#include "kestrav/catalogue.hpp"
#include "kestrav/model.hpp"
#include "kestrav/verify.hpp"

namespace kestrav::detail {

struct Access {
  static Model model(std::shared_ptr<const ModelData> data) { return Model(std::move(data)); }
  static Catalogue catalogue(std::shared_ptr<const CatalogueData> data) { return Catalogue(std::move(data)); }
  static CheckTables checks(std::shared_ptr<const CheckData> data) { return CheckTables(std::move(data)); }
};

}  // namespace kestrav::detail
