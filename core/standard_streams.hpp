#pragma once
// Standard streams of the command-line tools: descriptors 0, 1 and 2 that
// always exist, and output whose failure (a full disk, /dev/full, a closed
// descriptor) ends in a message and a failing status instead of silence.

namespace kestrav {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file opened later takes its number and has the tool's output or its
// messages written into it. Call it first thing in main.
void openClosedStandardStreams();

// Flushes std::cout and C's stdout. When either failed, now or at an earlier
// write, writes "PROGRAM: cannot write to standard output: REASON" to
// standard error, clears the failure (so it is reported once) and returns
// false. Call it right after the last output: when an earlier write failed
// and nothing is left to flush, errno at the call is still that write's.
bool finishStandardOutput(const char* program);

}  // namespace kestrav
