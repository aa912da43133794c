#pragma once
// The manual pages kestrav(1) and kestrav-verify(1) in roff, written at
// build time from the table of options and the texts of --help, so that the
// pages and the help cannot differ.

#include <string>

namespace kestrav::cli {

std::string kestravManualPage();
std::string verifyManualPage();

}  // namespace kestrav::cli
