// What the worker pool needs of the operating system: a doorbell that idle workers sleep on,
// and keeping the module loaded while its workers live. On Windows both are Win32's own:
// the POSIX-thread emulation of mingw-w64 waits on kernel objects, which under Wine is a
// round trip to its server for every sleep and every wake.
#pragma once

#include <atomic>
#include <cstdint>

namespace tessaro::parallel {

// A counter rung when there is new work; idle workers sleep until it moves on.
class Doorbell {
 public:
  Doorbell();
  ~Doorbell();
  Doorbell(const Doorbell&) = delete;
  Doorbell& operator=(const Doorbell&) = delete;

  // The count so far; what a worker saw before it last looked for work.
  std::uint32_t Count() const { return count_.load(std::memory_order_acquire); }
  // Moves the count on and wakes every sleeper.
  void Ring();
  // Returns once the count is no longer `seen` (or spuriously; callers look again).
  void SleepWhile(std::uint32_t seen);

 private:
  std::atomic<std::uint32_t> count_{0};
  std::atomic<std::int32_t> sleepers_{0};
  // The system's lock and condition, in storage of our own so that no system header leaks.
  alignas(void*) unsigned char system_[96];
};

// Keeps the code the workers run loaded for the life of the process: an editor may unload a
// plug-in whose workers are parked inside it.
void KeepModuleLoaded();

// Lets other threads run while this one waits a moment.
void Relax();

}  // namespace tessaro::parallel
