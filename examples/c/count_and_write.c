/* libkestrav from C: counts the records of a model given by its Gram code,
 * writes them to found.txt, then writes catalogue program 2's result file
 * and verifies it against the check values built into the library.
 * Exits with status 1 on any failure. */
#include <inttypes.h>
#include <stdio.h>

#include <kestrav/kestrav.h>

static int succeeded(kestrav_status status, const char* step) {
  if (status != KESTRAV_OK) fprintf(stderr, "%s: %s\n", step, kestrav_last_error());
  return status == KESTRAV_OK;
}

int main(void) {
  const int multipliers[] = {1, 2, 5};
  uint64_t perPass[3];
  uint64_t records = 0;
  kestrav_model* model = NULL;
  kestrav_model* program = NULL;
  int pass;
  int ok =
      succeeded(kestrav_model_from_gram("---111/22001/2001/001/21/1", "HeadOnly", 50, multipliers, 3, &model),
                "model") &&
      succeeded(kestrav_count_records(model, NULL, perPass, 3, &records), "count");
  if (ok) {
    printf("libkestrav %s: %" PRIu64 " records\n", kestrav_version(), records);
    for (pass = 0; pass < 3; ++pass)
      printf("  multiplier %d: %" PRIu64 "\n", multipliers[pass], perPass[pass]);
  }
  ok = ok && succeeded(kestrav_search_to_file(model, "found.txt", NULL, 0, NULL, 0, NULL), "found.txt");
  if (ok) printf("wrote found.txt\n");
  ok = ok && succeeded(kestrav_model_from_program(2, &program), "program 2") &&
       succeeded(kestrav_search_to_file(program, "OutputPart2.txt", NULL, 0, NULL, 0, &records),
                 "OutputPart2.txt") &&
       succeeded(kestrav_verify_result_file(2, "OutputPart2.txt"), "verify OutputPart2.txt");
  if (ok) printf("wrote OutputPart2.txt (%" PRIu64 " records) and verified it\n", records);
  kestrav_model_free(model);
  kestrav_model_free(program);
  return ok ? 0 : 1;
}
