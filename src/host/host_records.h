// The editor's records as its published filter interface lays them out. Every pointer is
// four bytes in the 32-bit module, so the byte offsets below hold there; the native build
// keeps the same field order with its own pointer size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pipeline/frame.h"

#if defined(_WIN32) && !defined(_WIN64)
#define TESSARO_HOST_API __stdcall
#else
#define TESSARO_HOST_API
#endif

namespace tessaro {

using HostBool = std::int32_t;  // 1 TRUE, 0 FALSE
inline constexpr HostBool kTrue = 1;
inline constexpr HostBool kFalse = 0;

// One frame pixel: Y 0..4096, Cb and Cr centred on 0 (-2048..2048); nothing clamps them.
struct YcPixel {
  std::int16_t y;
  std::int16_t cb;
  std::int16_t cr;
};
static_assert(sizeof(YcPixel) == 6);

struct FilterDescriptor;

// Per-frame record. Only these fields are read; the host's further fields follow.
struct FrameInfo {
  std::int32_t flags;
  YcPixel* edit;  // the frame; the result is left here
  YcPixel* temp;  // scratch of the same size and row step
  std::int32_t width;
  std::int32_t height;
  std::int32_t rowLength;  // pixels per row of both buffers, at least width
};

// Callbacks use the default C calling convention.
using ProcessFn = HostBool (*)(FilterDescriptor* filter, FrameInfo* frame);
using InitFn = HostBool (*)(FilterDescriptor* filter);
using ExitFn = HostBool (*)(FilterDescriptor* filter);
using UpdateFn = HostBool (*)(FilterDescriptor* filter, std::int32_t change);
using WindowProcFn = HostBool (*)(void* window, std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam, void* edit, FilterDescriptor* filter);
using RefreshWindowFn = HostBool (*)(FilterDescriptor* filter);

// The host's service table. The module calls only entry 21: refresh the filter's window.
struct HostServiceTable {
  void* entries0To20[21];
  RefreshWindowFn refreshFilterWindow;
  void* furtherEntries[10];
};
inline constexpr std::size_t kRefreshWindowEntry = 21;

// The filter record: 35 consecutive pointer-sized fields in the 32-bit module.
struct FilterDescriptor {
  std::int32_t flags;
  std::int32_t windowWidth;
  std::int32_t windowHeight;
  const char* name;
  std::int32_t trackCount;
  const char* const* trackNames;
  const std::int32_t* trackDefaults;
  const std::int32_t* trackMins;
  const std::int32_t* trackMaxs;
  std::int32_t checkCount;
  const char* const* checkNames;
  const std::int32_t* checkDefaults;
  ProcessFn process;
  InitFn init;
  ExitFn exit;
  UpdateFn update;
  WindowProcFn windowProc;
  std::int32_t* trackValues;  // filled by the host: live values in track order
  std::int32_t* checkValues;  // filled by the host: live values in check-box order
  void* hostFields20To21[2];
  const char* information;
  void* hostFields23To24[2];
  HostServiceTable* services;  // filled by the host
  void* hostFields26To35[10];
};

// Says that the information string is filled.
inline constexpr std::int32_t kFilterFlagHasInformation = 0x40000;

// A check box with this default is shown as a push button; pressing button i sends a
// command message with identifier kButtonCommandBase + i.
inline constexpr std::int32_t kButtonDefault = -1;
inline constexpr std::uint32_t kButtonCommandBase = 12004;
inline constexpr std::uint32_t kCommandMessage = 0x111;

// The settings-changed callback hears of a change to track n as this code plus n.
inline constexpr std::int32_t kTrackChangeBase = 0x10000;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4);
static_assert(sizeof(FilterDescriptor) == 35 * 4);
static_assert(offsetof(FilterDescriptor, flags) == 0);
static_assert(offsetof(FilterDescriptor, windowWidth) == 4);
static_assert(offsetof(FilterDescriptor, windowHeight) == 8);
static_assert(offsetof(FilterDescriptor, name) == 12);
static_assert(offsetof(FilterDescriptor, trackCount) == 16);
static_assert(offsetof(FilterDescriptor, trackNames) == 20);
static_assert(offsetof(FilterDescriptor, trackDefaults) == 24);
static_assert(offsetof(FilterDescriptor, trackMins) == 28);
static_assert(offsetof(FilterDescriptor, trackMaxs) == 32);
static_assert(offsetof(FilterDescriptor, checkCount) == 36);
static_assert(offsetof(FilterDescriptor, checkNames) == 40);
static_assert(offsetof(FilterDescriptor, checkDefaults) == 44);
static_assert(offsetof(FilterDescriptor, process) == 48);
static_assert(offsetof(FilterDescriptor, init) == 52);
static_assert(offsetof(FilterDescriptor, exit) == 56);
static_assert(offsetof(FilterDescriptor, update) == 60);
static_assert(offsetof(FilterDescriptor, windowProc) == 64);
static_assert(offsetof(FilterDescriptor, trackValues) == 68);
static_assert(offsetof(FilterDescriptor, checkValues) == 72);
static_assert(offsetof(FilterDescriptor, information) == 84);
static_assert(offsetof(FilterDescriptor, services) == 96);
static_assert(offsetof(FrameInfo, edit) == 4);
static_assert(offsetof(FrameInfo, temp) == 8);
static_assert(offsetof(FrameInfo, width) == 12);
static_assert(offsetof(FrameInfo, height) == 16);
static_assert(offsetof(FrameInfo, rowLength) == 20);
static_assert(offsetof(HostServiceTable, refreshFilterWindow) == kRefreshWindowEntry * 4);
#endif

}  // namespace tessaro

// The module's one export: the null-terminated list of its filters.
extern "C" tessaro::FilterDescriptor** TESSARO_HOST_API GetFilterTableList();
