#pragma once
// Standard streams of the command-line tools: descriptors 0, 1 and 2 that
// always exist, and output whose failure (a full disk, /dev/full, a closed
// descriptor) ends in one message and a failing status instead of silence.

#include <ostream>
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
// reports it once, by whichever part of it saw it first. When the reader of
// a pipe on standard output has gone away (`| head`), it says nothing and
// remembers it for finishProcess, as standard tools stop quietly then.
void reportStandardOutputFailure(const char* program, const std::string& reason);

// Whether a write to standard output failed because its reader went away.
bool standardOutputReaderGone();

// A stream onto C's stdout that keeps the reason of its first failed write
// for finishStandardOutput, which could not learn it later from errno.
std::ostream& standardOutput();

// Flushes std::cout and C's stdout. When either failed, now or at an earlier
// write, reports it as reportStandardOutputFailure does and returns false.
// Call it right after the last output: when an earlier write failed and
// nothing is left to flush, errno at the call is still that write's.
bool finishStandardOutput(const char* program);

// The end of main: finishes standard output as finishStandardOutput does
// (a status of 0 becomes 1 when that fails) and returns the status. When the
// reader of standard output went away, the process ends instead by SIGPIPE,
// its default action, so that the shell sees the status of a pipeline's
// writer stopped by its reader; the caller has removed its temporary files.
int finishProcess(const char* program, int status);

}  // namespace kestrav::cli
