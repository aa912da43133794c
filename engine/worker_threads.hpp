#pragma once
// A fixed group of worker threads, for the searches' schedulers. A body's
// exception (std::bad_alloc included) never reaches std::terminate: it is
// caught, the first one is kept as a message, and onFailure is called so
// that the other bodies can stop early.

#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrav::engine {

class WorkerThreads {
 public:
  // Starts body(0) .. body(count - 1), each on a thread of its own. A thread
  // that cannot be started counts as a failure.
  WorkerThreads(int count, std::function<void(int worker)> body, std::function<void()> onFailure);
  ~WorkerThreads() { join(); }
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  void join();
  int started() const { return static_cast<int>(threads_.size()); }

  // Empty when every body returned normally.
  std::string failure() const;

 private:
  void fail(const std::string& message);

  std::function<void(int)> body_;
  std::function<void()> onFailure_;
  std::vector<std::thread> threads_;
  mutable std::mutex mutex_;
  std::string failure_;
};

// What an exception says, for one line of a message.
std::string describeException(const std::exception_ptr& caught);

}  // namespace kestrav::engine
