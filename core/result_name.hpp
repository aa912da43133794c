#pragma once
// The names of a program and of its result file live with the library's
// public vocabulary.

#include "kestrav/names.hpp"
