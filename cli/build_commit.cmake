# Writes OUTPUT, the source of buildCommit(): the commit of the sources the
# build is made from, as `git describe` names it ("-dirty" when they have
# uncommitted changes), or "unknown" outside a git checkout. Run at every
# build; the file is rewritten only when the name changes, so that a build
# of the same commit recompiles nothing.
#
# usage: cmake -DSOURCE_DIR=DIR -DTEMPLATE=FILE -DOUTPUT=FILE -P build_commit.cmake
execute_process(
  COMMAND git -C ${SOURCE_DIR} describe --always --dirty --abbrev=12
  OUTPUT_VARIABLE KESTRAV_BUILD_COMMIT
  RESULT_VARIABLE failed
  OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET)
if(failed OR KESTRAV_BUILD_COMMIT STREQUAL "")
  set(KESTRAV_BUILD_COMMIT unknown)
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
