#pragma once
// Standard streams of the command-line tools: descriptors 0, 1 and 2 that
// always exist, and output whose failure (a full disk, /dev/full, a closed
// descriptor) ends in one message and a failing status instead of silence.

#include <string>

namespace kestrav::cli {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file opened later takes its number and has the tool's output or its
// messages written into it. Descriptor 0 is opened write-only and 1 and 2
// read-only: reading or writing a stream the caller closed still fails
// (EBADF), as it would have on the closed descriptor, instead of reading
// nothing or losing the output in silence. Call it first thing in main.
void openClosedStandardStreams();

// Writes "PROGRAM: cannot write standard output: REASON" to standard error,
// unless a failure of standard output was reported before: each process
// reports it once, by whichever part of it saw it first.
void reportStandardOutputFailure(const char* program, const std::string& reason);

// Flushes std::cout and C's stdout. When either failed, now or at an earlier
// write, reports it as reportStandardOutputFailure does and returns false.
// Call it right after the last output: when an earlier write failed and
// nothing is left to flush, errno at the call is still that write's.
bool finishStandardOutput(const char* program);

}  // namespace kestrav::cli
