#pragma once
// SIGINT, SIGTERM and SIGHUP become a request to stop: the handler only
// records the signal; a search sees the request between units of work,
// removes its temporary files, and the command names what it did not
// finish and exits with 128 + the signal's number. Writes that fail (a full
// disk, a file size limit, a closed pipe) are reported as errors instead of
// ending the process unseen: SIGPIPE and SIGXFSZ are ignored.

namespace kestrav::cli {

void catchInterrupts();

// The signal that asked to stop, or 0.
int interruptSignal();
bool interrupted();

// "SIGINT", "SIGTERM" or "SIGHUP".
const char* interruptName();

// 128 + the signal's number.
int interruptedExitStatus();

}  // namespace kestrav::cli
