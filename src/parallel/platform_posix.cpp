// The doorbell on POSIX threads: glibc's mutex and condition variable sleep on futexes.
#include <dlfcn.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "parallel/platform.h"

namespace tessaro::parallel {
namespace {

struct Sleep {
  std::mutex lock;
  std::condition_variable woken;
};
static_assert(sizeof(Sleep) <= 96 && alignof(Sleep) <= alignof(void*));

}  // namespace

Doorbell::Doorbell() {
  new (system_) Sleep;
}

Doorbell::~Doorbell() {
  std::launder(reinterpret_cast<Sleep*>(system_))->~Sleep();
}

void Doorbell::Ring() {
  count_.fetch_add(1, std::memory_order_seq_cst);
  if (sleepers_.load(std::memory_order_seq_cst) == 0) return;
  Sleep& s = *std::launder(reinterpret_cast<Sleep*>(system_));
  // Taking the lock orders the wake after a sleeper's last look at the count.
  { const std::lock_guard<std::mutex> hold(s.lock); }
  s.woken.notify_all();
}

void Doorbell::SleepWhile(std::uint32_t seen) {
  Sleep& s = *std::launder(reinterpret_cast<Sleep*>(system_));
  std::unique_lock<std::mutex> hold(s.lock);
  sleepers_.fetch_add(1, std::memory_order_seq_cst);
  while (count_.load(std::memory_order_seq_cst) == seen) s.woken.wait(hold);
  sleepers_.fetch_sub(1, std::memory_order_relaxed);
}

void KeepModuleLoaded() {
  // A second reference that is never dropped, taken on the shared object holding this code.
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&KeepModuleLoaded), &self) != 0 && self.dli_fname != nullptr) {
    dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
}

void Relax() {
  std::this_thread::yield();
}

}  // namespace tessaro::parallel
