/* Compiled as C99 with -Wpedantic, so that anything in kestrav.h that only
 * C++ accepts breaks the build. */

#include "c_header_check.h"

static int countRows(const int32_t* entries, size_t records, int entryCount, int pass, void* user) {
  uint64_t* counted = (uint64_t*)user;
  (void)entries;
  (void)entryCount;
  (void)pass;
  *counted += records;
  return 0;
}

kestrav_status countRecordsFromC(const char* blocks, const char* layout, int total, const int* multipliers,
                                 size_t multiplierCount, uint64_t* records) {
  kestrav_model* model = NULL;
  kestrav_search_options options;
  uint64_t counted = 0;
  kestrav_status status =
      kestrav_model_from_blocks(blocks, layout, total, multipliers, multiplierCount, &model);
  if (status != KESTRAV_OK) return status;
  kestrav_search_options_init(&options);
  options.threads = 2;
  status = kestrav_search(model, &options, countRows, &counted);
  kestrav_model_free(model);
  if (status == KESTRAV_OK) *records = counted;
  return status;
}
