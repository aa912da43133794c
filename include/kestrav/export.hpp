#pragma once
// KESTRAV_API marks what libkestrav exports. The library is built with
// hidden visibility, so that only its public API is seen from outside and
// its internals can change without breaking a program linked against it.

#define KESTRAV_API __attribute__((visibility("default")))
