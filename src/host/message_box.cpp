#include "host/message_box.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace tessaro {
namespace {

std::atomic<MessageBoxSink> g_sink{nullptr};

std::int32_t PlatformMessageBox(const char* text, const char* caption, std::uint32_t style) {
#ifdef _WIN32
  return MessageBoxA(nullptr, text, caption, style);
#else
  (void)style;
  std::printf("[%s]\n%s", caption, text);
  std::fflush(stdout);
  return 1;  // the OK button
#endif
}

}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) {
  g_sink.store(sink);
}

std::int32_t ShowMessageBox(const char* text, const char* caption, std::uint32_t style) {
  if (MessageBoxSink sink = g_sink.load()) return sink(text, caption, style);
  return PlatformMessageBox(text, caption, style);
}

}  // namespace tessaro
