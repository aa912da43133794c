#include "cli/interrupts.hpp"

#include <csignal>
#include <initializer_list>

namespace kestrav::cli {
namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void recordSignal(int signal) {
  if (caught == 0) caught = signal;
}

}  // namespace

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = recordSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a write blocked on a pipe returns instead of waiting on.
  action.sa_flags = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

int interruptSignal() { return caught; }

bool interrupted() { return caught != 0; }

const char* interruptName() {
  switch (caught) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

int interruptedExitStatus() { return 128 + caught; }

}  // namespace kestrav::cli
