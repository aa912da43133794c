# Run at build time (cmake -P): writes OUTPUT, a header defining
# KESTRAV_GIT_COMMIT as the source tree's commit ("" outside a git
# checkout), rewritten only when the commit changes so that nothing
# rebuilds without need. A tree with uncommitted changes gets "-dirty".
execute_process(COMMAND git -C ${SOURCE} rev-parse HEAD
  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
if(failed)
  set(commit "")
else()
  execute_process(COMMAND git -C ${SOURCE} diff --quiet HEAD -- RESULT_VARIABLE dirty ERROR_QUIET)
  if(dirty)
    string(APPEND commit "-dirty")
  endif()
endif()
set(text "#pragma once\n#define KESTRAV_GIT_COMMIT \"${commit}\"\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
