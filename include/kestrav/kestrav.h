#ifndef KESTRAV_KESTRAV_H
#define KESTRAV_KESTRAV_H
/*
 * libkestrav, the C API: exact searches for the zeros of determinant models
 * over compositions, for C and for bindings from other languages (Julia, R,
 * Fortran). It is a thin layer over the C++ API (kestrav.hpp), whose headers
 * describe the models and searches in full.
 *
 * Conventions
 * - Functions that can fail return a kestrav_status; KESTRAV_OK is 0. On
 *   any other status kestrav_last_error() says why and
 *   kestrav_last_error_field() names the input at fault.
 * - Out-parameters are written only when the call returns KESTRAV_OK.
 * - An output array is a pointer and its length in elements. NULL with
 *   length 0 leaves the array out (the call still gives its other results);
 *   an array shorter than the answer is KESTRAV_INVALID.
 * - Strings are NUL-terminated UTF-8 (input is taken as bytes; messages
 *   quote it so that they stay valid UTF-8).
 * - A model is immutable: one may be used by several threads at once.
 * - Callbacks are plain C functions. They must not throw (a C++ caller's
 *   callback that does is caught: the call returns KESTRAV_INTERNAL) and
 *   must not longjmp out of the library.
 */

#include <stddef.h>
#include <stdint.h>

#include "kestrav/export.hpp" /* KESTRAV_API: a plain macro, valid in C */

#ifdef __cplusplus
extern "C" {
#endif

typedef enum kestrav_status {
  KESTRAV_OK = 0,
  KESTRAV_INVALID = 1,   /* bad input: a model, option or argument */
  KESTRAV_FAILED = 2,    /* the system failed: a file not written, a thread not started */
  KESTRAV_CANCELLED = 3, /* the cancel flag or a record callback stopped the search */
  KESTRAV_MISMATCH = 4,  /* a verification found problems */
  KESTRAV_NO_MEMORY = 5,
  KESTRAV_INTERNAL = 6 /* anything else, a throwing callback included */
} kestrav_status;

/* The input at fault in a KESTRAV_INVALID call, as kestrav::Field. */
typedef enum kestrav_field {
  KESTRAV_FIELD_NONE = 0, /* no field: a NULL pointer, a short array, a failure */
  KESTRAV_FIELD_GRAM = 1,
  KESTRAV_FIELD_BLOCKS = 2,
  KESTRAV_FIELD_ENTRIES = 3,
  KESTRAV_FIELD_LAYOUT = 4,
  KESTRAV_FIELD_TOTAL = 5,
  KESTRAV_FIELD_MULTIPLIERS = 6,
  KESTRAV_FIELD_THREADS = 7,
  KESTRAV_FIELD_SHARD = 8,
  KESTRAV_FIELD_SIMD = 9,
  KESTRAV_FIELD_PROGRAM = 10,
  KESTRAV_FIELD_CATALOGUE = 11,
  KESTRAV_FIELD_CHECKS = 12,
  KESTRAV_FIELD_CHECKPOINT = 13,
  KESTRAV_FIELD_MANIFEST = 14
} kestrav_field;

/* "MAJOR.MINOR.PATCH" of the library. */
KESTRAV_API const char* kestrav_version(void);

/* Why the last call on this thread that returned a kestrav_status failed,
 * e.g. "multipliers: 3 does not divide the total 50"; "" after
 * KESTRAV_OK. Every such call resets it. Valid until the next call of this
 * API on this thread. */
KESTRAV_API const char* kestrav_last_error(void);
/* The field of that failure; KESTRAV_FIELD_NONE after KESTRAV_OK. */
KESTRAV_API kestrav_field kestrav_last_error_field(void);
/* "none", "gram", "blocks", "entries", "layout", "total", "multipliers",
 * "threads", "shard", "simd", "program", "catalogue", "checks", "checkpoint"; "?" for a
 * value that is no kestrav_field. A static string. */
KESTRAV_API const char* kestrav_field_name(kestrav_field field);

/* ---- Models ---- */

/* A checked model: its blocks, layout, total and multipliers. */
typedef struct kestrav_model kestrav_model;

/* A model of one block over entries 1..k, given by its Gram code (the strict
 * upper triangle row by row, e.g. "---111/22001/2001/001/21/1"). layout is
 * "BothEnds", "HeadOnly", "TailOnly" or "Bare"; total is the sum of every
 * tuple; multipliers[0..multiplierCount) are the passes' multipliers, each
 * dividing the total (multiplierCount 0: one pass with multiplier 1, and
 * multipliers may be NULL). On success
 * *model is a new model for kestrav_model_free. */
KESTRAV_API kestrav_status kestrav_model_from_gram(const char* gramCode, const char* layout, int total,
                                                   const int* multipliers, size_t multiplierCount,
                                                   kestrav_model** model);
/* The same from blocks POSITIONS:CODE separated by blanks, covering the
 * entries 1..k once: "1-4:222/22/2 5-6:2". */
KESTRAV_API kestrav_status kestrav_model_from_blocks(const char* blocks, const char* layout, int total,
                                                     const int* multipliers, size_t multiplierCount,
                                                     kestrav_model** model);
/* The model of catalogue program `program` (kestrav1 .. kestrav75). */
KESTRAV_API kestrav_status kestrav_model_from_program(int program, kestrav_model** model);
/* Frees a model; NULL is allowed. */
KESTRAV_API void kestrav_model_free(kestrav_model* model);

/* The catalogue's program numbers in its order: *count is their number. */
KESTRAV_API kestrav_status kestrav_catalogue_programs(int* numbers, size_t numbersLength, size_t* count);

/* Entries of a tuple (k, pinned entries included), passes (multipliers) and
 * blocks of a model; 0 for NULL. */
KESTRAV_API int kestrav_model_entry_count(const kestrav_model* model);
KESTRAV_API int kestrav_model_pass_count(const kestrav_model* model);
KESTRAV_API int kestrav_model_block_count(const kestrav_model* model);
/* The multiplier of pass 0 .. kestrav_model_pass_count - 1. */
KESTRAV_API kestrav_status kestrav_model_multiplier(const kestrav_model* model, int pass, int* multiplier);

/* Whether every block is zero at the tuple entries[0..entryCount), which
 * must have kestrav_model_entry_count values: *vanishes is 1 or 0. */
KESTRAV_API kestrav_status kestrav_model_vanishes_at(const kestrav_model* model, const int64_t* entries,
                                                     size_t entryCount, int* vanishes);
/* The exact value of block `block` (0 .. kestrav_model_block_count - 1, in
 * the order the blocks were given) at the tuple, in decimal ("0", "-1296"):
 * values can exceed any fixed width. *length is the value's length without the NUL.
 * The value and a NUL are written to buffer, which must hold *length + 1
 * bytes; buffer NULL with bufferSize 0 asks for the length alone. */
KESTRAV_API kestrav_status kestrav_model_block_value(const kestrav_model* model, const int64_t* entries,
                                                     size_t entryCount, int block, char* buffer,
                                                     size_t bufferSize, size_t* length);

/* ---- Searches ---- */

/* Called from the thread that runs the search a few times a second, with
 * the compositions searched so far and those of the (shard's) search. */
typedef void (*kestrav_progress_fn)(uint64_t done, uint64_t total, void* user);

/* Consecutive records of one pass in file order: `records` rows of
 * entryCount values each, row-major, valid during the call only. pass is
 * the index of the pass's multiplier. Called from one thread at a time (not
 * always the caller's), in file order. A non-zero return stops the search:
 * it returns KESTRAV_CANCELLED. */
typedef int (*kestrav_record_fn)(const int32_t* entries, size_t records, int entryCount, int pass,
                                 void* user);

typedef struct kestrav_search_options {
  int threads;    /* 1..256; 0: one per processor this process may use */
  int shardIndex; /* search shard shardIndex of shardCount (1-based): */
  int shardCount; /* contiguous slices whose outputs concatenate to the whole */
  /* When not NULL: setting *cancel to non-zero stops the search soon
   * (KESTRAV_CANCELLED), within about a tenth of a second. The library reads
   * it with relaxed atomic loads while the search runs, so another thread
   * may set it with an atomic store (GCC and Clang:
   * __atomic_store_n(flag, 1, __ATOMIC_RELAXED)); an aligned int is stored
   * whole on every platform the library is built for, so a plain store from
   * a language without atomics, a signal handler or the progress callback
   * serves as well. */
  const volatile int* cancel;
  kestrav_progress_fn progress; /* NULL: none */
  void* progressUser;           /* passed to progress */
} kestrav_search_options;

/* The defaults: every thread, the whole search, no cancel flag, no
 * progress. Functions taking options also accept NULL for them. */
KESTRAV_API void kestrav_search_options_init(kestrav_search_options* options);

/* The compositions of each pass and of the whole search, without searching.
 * KESTRAV_INVALID (field total) when they do not fit 64 bits. */
KESTRAV_API kestrav_status kestrav_search_size(const kestrav_model* model, uint64_t* perPass,
                                               size_t perPassLength, uint64_t* total);

/* Counts the records of each pass (and of all) without formatting any. */
KESTRAV_API kestrav_status kestrav_count_records(const kestrav_model* model,
                                                 const kestrav_search_options* options, uint64_t* perPass,
                                                 size_t perPassLength, uint64_t* records);

/* Hands every record to onRecords, in blocks of at most a few thousand. */
KESTRAV_API kestrav_status kestrav_search(const kestrav_model* model, const kestrav_search_options* options,
                                          kestrav_record_fn onRecords, void* user);

/* Writes the records as a result file at path: each value in decimal
 * followed by one blank, a newline per record. A regular file is written
 * beside its name and renamed over it only when complete, so the name never
 * holds a part and a failed or cancelled search (KESTRAV_FAILED,
 * KESTRAV_CANCELLED) leaves an earlier file untouched; with sync non-zero
 * the data and the rename reach the disk before the return. Any other
 * target (/dev/null, a FIFO) is written directly. The records are written
 * to PATH.partial, with a checkpoint in PATH.checkpoint, as searchToFile
 * does with its default FileOptions: a search that stops keeps them, and
 * while they are there another search of PATH fails (KESTRAV_FAILED). Gives
 * the records written per pass and in all, like kestrav_count_records. */
KESTRAV_API kestrav_status kestrav_search_to_file(const kestrav_model* model, const char* path,
                                                  const kestrav_search_options* options, int sync,
                                                  uint64_t* perPass, size_t perPassLength, uint64_t* records);

/* ---- Verification ---- */

/* Checks catalogue program `program`'s complete result file at path against
 * the built-in check values: every record's format, sum, pinned entries and
 * scale, the passes with their record counts, first and last records, the
 * line count and the SHA-256. KESTRAV_MISMATCH when the file is wrong,
 * missing or not a regular file, with the problems, separated by "; ", in
 * kestrav_last_error(). */
KESTRAV_API kestrav_status kestrav_verify_result_file(int program, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KESTRAV_KESTRAV_H */
