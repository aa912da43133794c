#pragma once
// libkestrav, the C++ API: exact searches for the zeros of determinant
// models over compositions. See each header; the C API is kestrav.h.

#include "kestrav/catalogue.hpp"
#include "kestrav/error.hpp"
#include "kestrav/layout.hpp"
#include "kestrav/manifest.hpp"
#include "kestrav/model.hpp"
#include "kestrav/names.hpp"
#include "kestrav/search.hpp"
#include "kestrav/values.hpp"
#include "kestrav/verify.hpp"
#include "kestrav/version.hpp"
