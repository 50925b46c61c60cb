// The doorbell on Win32's slim reader/writer lock and condition variable, which sleep in the
// process (Wine: on futexes) instead of on kernel objects.
#include <windows.h>

#include <new>

#include "parallel/platform.h"

namespace tessaro::parallel {
namespace {

struct Sleep {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE woken = CONDITION_VARIABLE_INIT;
};
static_assert(sizeof(Sleep) <= 96 && alignof(Sleep) <= alignof(void*));

Sleep& SleepOf(unsigned char* storage) {
  return *std::launder(reinterpret_cast<Sleep*>(storage));
}

}  // namespace

Doorbell::Doorbell() {
  new (system_) Sleep;
}

Doorbell::~Doorbell() = default;

void Doorbell::Ring() {
  count_.fetch_add(1, std::memory_order_seq_cst);
  if (sleepers_.load(std::memory_order_seq_cst) == 0) return;
  Sleep& s = SleepOf(system_);
  // Taking the lock orders the wake after a sleeper's last look at the count.
  AcquireSRWLockExclusive(&s.lock);
  ReleaseSRWLockExclusive(&s.lock);
  WakeAllConditionVariable(&s.woken);
}

void Doorbell::SleepWhile(std::uint32_t seen) {
  Sleep& s = SleepOf(system_);
  AcquireSRWLockExclusive(&s.lock);
  sleepers_.fetch_add(1, std::memory_order_seq_cst);
  while (count_.load(std::memory_order_seq_cst) == seen) {
    SleepConditionVariableSRW(&s.woken, &s.lock, INFINITE, 0);
  }
  sleepers_.fetch_sub(1, std::memory_order_relaxed);
  ReleaseSRWLockExclusive(&s.lock);
}

void KeepModuleLoaded() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&KeepModuleLoaded), &self);
}

void Relax() {
  SwitchToThread();
}

}  // namespace tessaro::parallel
