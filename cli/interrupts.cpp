#include "cli/interrupts.hpp"

#include <csignal>
#include <initializer_list>

namespace kestrav::cli {
namespace {

// A signal handler may store to a lock-free atomic; the release orders the
// signal's number before the flag for a thread that sees the flag.
static_assert(std::atomic<bool>::is_always_lock_free);

volatile std::sig_atomic_t caught = 0;
std::atomic<bool> stopRequested{false};

extern "C" void recordSignal(int signal) {
  if (caught == 0) caught = signal;
  stopRequested.store(true, std::memory_order_release);
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

const std::atomic<bool>* interruptFlag() { return &stopRequested; }

bool interrupted() { return stopRequested.load(std::memory_order_acquire) && caught != 0; }

void stopWithoutSignal() { stopRequested.store(true, std::memory_order_release); }

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
