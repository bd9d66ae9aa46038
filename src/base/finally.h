// A clean-up step run when a scope is left, also by an exception, unless it
// was run or dismissed before.
#pragma once

#include <utility>

namespace tolvern {

template <typename F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() {
    if (armed_) f_();
  }
  void Run() {
    if (armed_) f_();
    armed_ = false;
  }
  void Dismiss() { armed_ = false; }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
  bool armed_ = true;
};

}  // namespace tolvern
