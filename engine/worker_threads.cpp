#include "engine/worker_threads.hpp"

#include <new>
#include <system_error>

namespace kestrav::engine {

std::string describeException(const std::exception_ptr& caught) {
  try {
    std::rethrow_exception(caught);
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::system_error& e) {
    return e.code().message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

WorkerThreads::WorkerThreads(int count, std::function<void(int worker)> body, std::function<void()> onFailure)
    : body_(std::move(body)), onFailure_(std::move(onFailure)) {
  for (int worker = 0; worker < count; ++worker) {
    try {
      threads_.emplace_back([this, worker] {
        try {
          body_(worker);
        } catch (...) {
          fail(describeException(std::current_exception()));
        }
      });
    } catch (...) {
      fail("cannot start a worker thread: " + describeException(std::current_exception()));
      break;
    }
  }
}

void WorkerThreads::fail(const std::string& message) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (failure_.empty()) failure_ = message;
  }
  onFailure_();
}

void WorkerThreads::join() {
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

std::string WorkerThreads::failure() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

}  // namespace kestrav::engine
