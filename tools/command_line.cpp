#include "command_line.h"

#include <charconv>
#include <string>
#include <string_view>

#include "yc_image.h"

namespace tessaro::tools {
namespace {

Failure Usage(const std::string& message) {
  return Fail(ExitStatus::kUsage, message);
}

bool ParseInt(std::string_view text, std::int32_t* value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

// "NAME=VALUE"; names may hold spaces but not '='.
Failure ParseSetting(const std::string& option, const std::string& text, Setting::Kind kind,
                     Setting* setting) {
  const std::size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0 ||
      !ParseInt(std::string_view(text).substr(eq + 1), &setting->value)) {
    return Usage(option + " takes NAME=INTEGER, not '" + text + "'");
  }
  setting->kind = kind;
  setting->name = text.substr(0, eq);
  return {};
}

// Which options each command takes.
struct CommandShape {
  const char* name;
  std::size_t operands;
  bool filters;
  bool processing;  // --row-pad
  bool streaming;   // --quiet, --show-settings, --timing
  bool outDir;
  bool bench;  // --size, --frames, --workers
};
constexpr CommandShape kCommands[] = {
    {"list", 0, false, false, false, false, false}, {"apply", 2, true, true, true, false, false},
    {"help", 1, false, false, false, false, false}, {"demo", 0, false, true, false, true, false},
    {"bench", 0, false, false, false, false, true},
};

// "WIDTHxHEIGHT" within the host's limits.
bool ParseSize(const std::string& text, std::int32_t* width, std::int32_t* height) {
  const std::size_t x = text.find('x');
  return x != std::string::npos && ParseInt(std::string_view(text).substr(0, x), width) &&
         ParseInt(std::string_view(text).substr(x + 1), height) && *width > 0 && *height > 0 &&
         *width <= kMaxSide && *height <= kMaxSide && std::int64_t{*width} * *height <= kMaxPixels;
}

}  // namespace

const char* UsageText() {
  return "usage:\n"
         "  tessaro list [--module PATH]\n"
         "  tessaro apply INPUT OUTPUT [--filter NAME [--set SLIDER=N] [--check BOX=0|1]\n"
         "                [--move SLIDER=N] ...]... [--row-pad N] [--quiet] [--show-settings]\n"
         "                [--timing] [--smooth R] [--scene-cut T]\n"
         "                [--module PATH]\n"
         "  tessaro help FILTER [--module PATH]\n"
         "  tessaro demo [--out DIR] [--row-pad N] [--module PATH]\n"
         "  tessaro bench [--size WxH] [--frames N] [--workers N] [--module PATH]\n"
         "INPUT and OUTPUT are Y4M streams (- for standard input or output) or PNG files.\n"
         "Filters run in the order given; --set, --check and --move apply to the filter\n"
         "named before them, in the order given.\n"
         "--smooth R takes each filter's parameters for a frame from the frames within R\n"
         "before and after it in its scene (0, the default: every frame on its own); the\n"
         "host reads R frames ahead (memory: R frames a filter). A scene cut lies where the\n"
         "mean level jumps by more than T codes of 255, or the range of levels by more than\n"
         "2 T (--scene-cut, default 20).\n";
}

Failure ParseCommandLine(int argc, const char* const* argv, CommandLine* line) {
  *line = CommandLine{};
  std::vector<std::string> args(argv + 1, argv + argc);
  const CommandShape* shape = nullptr;
  bool sawFilterOption = false, sawProcessing = false, sawStreaming = false, sawOut = false,
       sawBench = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) -> Failure {
      if (i + 1 >= args.size()) return Usage(a + " needs a value");
      *out = args[++i];
      return {};
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      line->usageRequested = true;
    } else if (a == "--module") {
      if (Failure f = value(&line->modulePath)) return f;
    } else if (a == "--filter") {
      if (Failure f = value(&v)) return f;
      line->filters.push_back(FilterRequest{v, {}});
      sawFilterOption = true;
    } else if (a == "--set" || a == "--check" || a == "--move") {
      if (Failure f = value(&v)) return f;
      if (line->filters.empty()) return Usage(a + " " + v + " needs a --filter before it");
      Setting s{};
      const Setting::Kind kind = a == "--set"     ? Setting::kSet
                                 : a == "--check" ? Setting::kCheck
                                                  : Setting::kMove;
      if (Failure f = ParseSetting(a, v, kind, &s)) return f;
      line->filters.back().settings.push_back(s);
    } else if (a == "--smooth") {
      if (Failure f = value(&v)) return f;
      if (!ParseInt(v, &line->smoothRadius) || line->smoothRadius < 0 ||
          line->smoothRadius > kMaxSmoothRadius) {
        return Usage("--smooth takes 0.." + std::to_string(kMaxSmoothRadius) + ", not '" + v + "'");
      }
      sawFilterOption = true;
    } else if (a == "--scene-cut") {
      if (Failure f = value(&v)) return f;
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), line->sceneCut);
      if (v.empty() || ec != std::errc() || end != v.data() + v.size() ||
          !(line->sceneCut > 0.0 && line->sceneCut <= 255.0)) {
        return Usage("--scene-cut takes a number above 0, at most 255, not '" + v + "'");
      }
      sawFilterOption = true;
    } else if (a == "--row-pad") {
      if (Failure f = value(&v)) return f;
      if (!ParseInt(v, &line->rowPad) || line->rowPad < 0 || line->rowPad > kMaxRowPad) {
        return Usage("--row-pad takes 0.." + std::to_string(kMaxRowPad) + ", not '" + v + "'");
      }
      sawProcessing = true;
    } else if (a == "--quiet") {
      line->quiet = true;
      sawStreaming = true;
    } else if (a == "--show-settings") {
      line->showSettings = true;
      sawStreaming = true;
    } else if (a == "--timing") {
      line->timing = true;
      sawStreaming = true;
    } else if (a == "--out") {
      if (Failure f = value(&line->outDir)) return f;
      sawOut = true;
    } else if (a == "--size") {
      if (Failure f = value(&v)) return f;
      if (!ParseSize(v, &line->benchWidth, &line->benchHeight)) {
        return Usage("--size takes WIDTHxHEIGHT of at most " + std::to_string(kMaxSide) +
                     " a side and " + std::to_string(kMaxPixels) + " pixels, not '" + v + "'");
      }
      sawBench = true;
    } else if (a == "--frames" || a == "--workers") {
      if (Failure f = value(&v)) return f;
      std::int32_t* n = a == "--frames" ? &line->benchFrames : &line->benchWorkers;
      if (!ParseInt(v, n) || *n < 1 || *n > 100000) {
        return Usage(a + " takes 1..100000, not '" + v + "'");
      }
      sawBench = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (shape == nullptr) {
      for (const CommandShape& c : kCommands) {
        if (a == c.name) shape = &c;
      }
      if (shape == nullptr) return Usage("unknown command '" + a + "'");
      line->command = a;
    } else {
      line->operands.push_back(a);
    }
  }
  if (line->usageRequested) return {};
  if (shape == nullptr) return Usage("no command given");
  const std::string cmd = line->command;
  if (line->operands.size() != shape->operands) {
    return Usage(cmd + " takes " + std::to_string(shape->operands) + " operand(s), got " +
                 std::to_string(line->operands.size()));
  }
  if ((sawFilterOption && !shape->filters) || (sawProcessing && !shape->processing) ||
      (sawStreaming && !shape->streaming) || (sawOut && !shape->outDir) ||
      (sawBench && !shape->bench)) {
    return Usage("option not accepted by " + cmd);
  }
  return {};
}

}  // namespace tessaro::tools
