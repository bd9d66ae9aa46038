#include "platform/large_stack.h"

#include <cstdint>
#include <exception>
#include <thread>

#if defined(__linux__) || defined(__APPLE__)
#include <sys/mman.h>
#include <ucontext.h>
#define TOLVERN_UCONTEXT 1
#elif defined(_WIN32)
#include "platform/windows_api.h"
#endif

// AddressSanitizer must be told when the stack changes under it, or it takes
// the private stack for a corrupted one when an exception unwinds there.
#if defined(__SANITIZE_ADDRESS__)
#define TOLVERN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVERN_ASAN 1
#endif
#endif
#ifdef TOLVERN_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace tolvern {

#ifdef TOLVERN_UCONTEXT

namespace {

// One stack per thread, reserved once and reused; pages are committed only
// when touched.
struct Stack {
  void* base = nullptr;
  std::size_t size = 0;
  ~Stack() {
    if (base) munmap(base, size);
  }
};

struct Call {
  const std::function<void()>* fn;
  std::exception_ptr error;
  ucontext_t caller;
  const void* caller_bottom = nullptr;  // the caller's stack, for the sanitizer
  std::size_t caller_size = 0;
};

// The sanitizer's side of a stack switch: StartSwitch just before it,
// FinishSwitch first thing after it. A null `fake_stack` in StartSwitch says
// the stack being left is done with.
void StartSwitch([[maybe_unused]] void** fake_stack, [[maybe_unused]] const void* bottom,
                 [[maybe_unused]] std::size_t size) {
#ifdef TOLVERN_ASAN
  __sanitizer_start_switch_fiber(fake_stack, bottom, size);
#endif
}
void FinishSwitch([[maybe_unused]] void* fake_stack, [[maybe_unused]] const void** bottom,
                  [[maybe_unused]] std::size_t* size) {
#ifdef TOLVERN_ASAN
  __sanitizer_finish_switch_fiber(fake_stack, bottom, size);
#endif
}

thread_local Stack t_stack;
thread_local bool t_on_large_stack = false;

void Trampoline(unsigned lo, unsigned hi) {
  auto* call = reinterpret_cast<Call*>((static_cast<std::uintptr_t>(hi) << 32) | lo);
  FinishSwitch(nullptr, &call->caller_bottom, &call->caller_size);
  try {
    (*call->fn)();
  } catch (...) {
    call->error = std::current_exception();
  }
  // Returning resumes uc_link, the caller.
  StartSwitch(nullptr, call->caller_bottom, call->caller_size);
}

}  // namespace

void RunOnLargeStack(std::size_t bytes, const std::function<void()>& fn) {
  if (t_on_large_stack) {  // already there: nested use runs in place
    fn();
    return;
  }
#ifdef TOLVERN_ASAN
  bytes *= 4;  // the sanitizer's frames are several times larger
#endif
  if (t_stack.size < bytes) {
    if (t_stack.base) munmap(t_stack.base, t_stack.size);
    t_stack = {};
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (p == MAP_FAILED) {
      fn();  // no memory for a private stack: the depth limits still hold
      return;
    }
    t_stack.base = p;
    t_stack.size = bytes;
  }
  Call call{&fn, nullptr, {}};
  ucontext_t ctx;
  getcontext(&ctx);
  ctx.uc_stack.ss_sp = t_stack.base;
  ctx.uc_stack.ss_size = t_stack.size;
  ctx.uc_link = &call.caller;
  auto addr = reinterpret_cast<std::uintptr_t>(&call);
  makecontext(&ctx, reinterpret_cast<void (*)()>(Trampoline), 2,
              static_cast<unsigned>(addr & 0xFFFFFFFFu), static_cast<unsigned>(addr >> 32));
  t_on_large_stack = true;
  void* fake_stack = nullptr;
  StartSwitch(&fake_stack, t_stack.base, t_stack.size);
  swapcontext(&call.caller, &ctx);
  FinishSwitch(fake_stack, nullptr, nullptr);
  t_on_large_stack = false;
  if (call.error) std::rethrow_exception(call.error);
}

#elif defined(_WIN32)

// Windows: a fiber with the stack reserved at the size asked for (pages are
// committed as they are touched). It runs on the caller's thread, so
// thread-local state is the caller's, as with the context switch elsewhere.
namespace {

struct Call {
  const std::function<void()>* fn;
  std::exception_ptr error;
  void* caller;
};

thread_local bool t_on_large_stack = false;

void WINAPI FiberMain(void* param) {
  auto* call = static_cast<Call*>(param);
  try {
    (*call->fn)();
  } catch (...) {
    call->error = std::current_exception();
  }
  // A fiber must not return: it switches back, and the caller deletes it.
  ::SwitchToFiber(call->caller);
}

}  // namespace

void RunOnLargeStack(std::size_t bytes, const std::function<void()>& fn) {
  if (t_on_large_stack) {
    fn();
    return;
  }
  bool converted = false;
  // GetCurrentFiber reads the thread block through the gs segment, which GCC
  // takes for an access out of bounds.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  void* caller = ::IsThreadAFiber() ? ::GetCurrentFiber() : nullptr;
#pragma GCC diagnostic pop
  if (!caller) {
    caller = ::ConvertThreadToFiber(nullptr);
    converted = caller != nullptr;
  }
  Call call{&fn, nullptr, caller};
  void* fiber = caller
                    ? ::CreateFiberEx(64 * 1024, bytes, FIBER_FLAG_FLOAT_SWITCH, FiberMain, &call)
                    : nullptr;
  if (!fiber) {
    if (converted) ::ConvertFiberToThread();
    fn();  // no room for a private stack: the depth limits still hold
    return;
  }
  t_on_large_stack = true;
  ::SwitchToFiber(fiber);
  t_on_large_stack = false;
  ::DeleteFiber(fiber);
  if (converted) ::ConvertFiberToThread();
  if (call.error) std::rethrow_exception(call.error);
}

#else

void RunOnLargeStack(std::size_t, const std::function<void()>& fn) {
  // Elsewhere the work runs on the caller's stack; the depth limits of the
  // callers keep it within a default thread stack.
  fn();
}

#endif

}  // namespace tolvern
