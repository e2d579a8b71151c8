// The single-instance guard: an advisory lock on a per-user file. The kernel drops the lock
// when a process dies, so a crashed copy never leaves it stuck.
#pragma once

#include <string>

namespace veloria {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  // False when another copy holds the lock named `name` in `dir`.
  bool acquire(const std::string& dir, const std::string& name);
  void release();

 private:
  int fd_ = -1;
};

}  // namespace veloria
