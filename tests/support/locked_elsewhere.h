// A work-files lock held on a thread of its own, as another program's operation would
// hold it, until the object goes.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/worklock.h"

class LockedElsewhere {
 public:
  explicit LockedElsewhere(const std::string& folder)
      : thread_([this, folder] {
          WorkFilesLock lock(folder.c_str());
          std::unique_lock<std::mutex> guard(mutex_);
          taken_ = !lock.busy();
          ready_ = true;
          changed_.notify_all();
          changed_.wait(guard, [this] { return done_; });
        }) {
    std::unique_lock<std::mutex> guard(mutex_);
    changed_.wait(guard, [this] { return ready_; });
  }
  ~LockedElsewhere() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  LockedElsewhere(const LockedElsewhere&) = delete;
  LockedElsewhere& operator=(const LockedElsewhere&) = delete;
  // Whether the thread got the lock (it was not busy then).
  bool taken() const { return taken_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool done_ = false;
  bool taken_ = false;
  std::thread thread_;  // last: started once the members above exist
};
