#ifndef KESTRAV_TESTS_C_HEADER_CHECK_H
#define KESTRAV_TESTS_C_HEADER_CHECK_H
/* A search run from C (c_header_check.c), for the tests to compare. */

#include "kestrav/kestrav.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The records of a model given as blocks, counted by a record callback
 * written in C, on two threads. */
kestrav_status countRecordsFromC(const char* blocks, const char* layout, int total, const int* multipliers,
                                 size_t multiplierCount, uint64_t* records);

#ifdef __cplusplus
}
#endif

#endif /* KESTRAV_TESTS_C_HEADER_CHECK_H */
