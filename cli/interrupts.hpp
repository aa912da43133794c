#pragma once
// SIGINT, SIGTERM and SIGHUP become a request to stop: the handler only
// records the signal and raises a flag that the library's searches read as
// their cancel flag; a search sees it between units of work, keeps its work
// in progress for --resume (or removes its temporary files), and the
// command names what it did not finish and exits with 128 + the signal's
// number. Writes that fail (a full disk, a file size
// limit, a closed pipe) are reported as errors instead of ending the process
// unseen: SIGPIPE and SIGXFSZ are ignored.

#include <atomic>

namespace kestrav::cli {

void catchInterrupts();

// Raised by the first of the signals, or by stopWithoutSignal:
// SearchOptions::cancel.
const std::atomic<bool>* interruptFlag();
// Whether one of the signals came.
bool interrupted();
// Stops the searches under way as a signal would (when the reader of
// standard output has gone away).
void stopWithoutSignal();

// "SIGINT", "SIGTERM" or "SIGHUP".
const char* interruptName();

// 128 + the signal's number.
int interruptedExitStatus();

}  // namespace kestrav::cli
