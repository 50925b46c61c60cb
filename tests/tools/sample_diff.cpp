// Compares two Y4M streams or two PNG pictures sample by sample and checks the figures
// against limits:
//   sample_diff A B [--module-units] [--max D] [--max-per-mille R] [--alpha-exact]
// --module-units compares Y4M samples after the host's conversion to YcPixel values
// (exact for 12 bits and more). Prints the figures; exit 0 within the limits, 1 outside,
// 2 when the two cannot be compared.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "png_io.h"
#include "y4m.h"
#include "yc_convert.h"

namespace {

using namespace tessaro::tools;

struct Tally {
  long long samples = 0, differing = 0, largest = 0;
  long long alphaSamples = 0, alphaDiffering = 0;

  void Add(long long a, long long b, bool alpha) {
    const long long d = a > b ? a - b : b - a;
    if (alpha) {
      ++alphaSamples;
      alphaDiffering += d != 0;
      return;
    }
    ++samples;
    differing += d != 0;
    if (d > largest) largest = d;
  }
};

bool IsPng(const std::string& path) {
  return path.size() > 4 && path.substr(path.size() - 4) == ".png";
}

int ComparePng(const std::string& a, const std::string& b, Tally* t) {
  PngImage pa, pb;
  for (auto [path, image] : {std::pair{&a, &pa}, std::pair{&b, &pb}}) {
    if (Failure f = ReadPng(*path, image)) {
      std::fprintf(stderr, "%s\n", f.message.c_str());
      return 2;
    }
  }
  if (pa.width != pb.width || pa.height != pb.height || pa.channels != pb.channels ||
      pa.bitDepth != pb.bitDepth) {
    std::fprintf(stderr, "pictures differ in size or kind\n");
    return 2;
  }
  for (std::size_t i = 0; i < pa.samples.size(); ++i) {
    const bool alpha =
        pa.HasAlpha() && i % pa.channels == static_cast<std::size_t>(pa.channels - 1);
    t->Add(pa.samples[i], pb.samples[i], alpha);
  }
  return 0;
}

int CompareY4m(const std::string& a, const std::string& b, bool moduleUnits, Tally* t) {
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  File fa(std::fopen(a.c_str(), "rb"), std::fclose), fb(std::fopen(b.c_str(), "rb"), std::fclose);
  if (!fa || !fb) {
    std::fprintf(stderr, "cannot open the inputs\n");
    return 2;
  }
  Y4mReader ra(fa.get(), a), rb(fb.get(), b);
  for (Y4mReader* r : {&ra, &rb}) {
    if (Failure f = r->ReadHeader()) {
      std::fprintf(stderr, "%s\n", f.message.c_str());
      return 2;
    }
  }
  if (!ra.format().SameFrames(rb.format())) {
    std::fprintf(stderr, "streams differ in frame size or kind\n");
    return 2;
  }
  const Y4mFormat& format = ra.format();
  Y4mFrame xa, xb;
  YcImage ya, yb;
  for (;;) {
    Failure fa2, fb2;
    const bool ga = ra.Next(&xa, &fa2), gb = rb.Next(&xb, &fb2);
    if (fa2 || fb2) {
      std::fprintf(stderr, "%s\n", (fa2 ? fa2 : fb2).message.c_str());
      return 2;
    }
    if (ga != gb) {
      std::fprintf(stderr, "streams hold different numbers of frames\n");
      return 2;
    }
    if (!ga) break;
    if (moduleUnits) {
      Y4mFrameToYc(format, xa, &ya);
      Y4mFrameToYc(format, xb, &yb);
      for (std::size_t i = 0; i < ya.pixels.size(); ++i) {
        t->Add(ya.pixels[i].y, yb.pixels[i].y, false);
        if (format.chroma == ChromaLayout::kMono) continue;
        t->Add(ya.pixels[i].cb, yb.pixels[i].cb, false);
        t->Add(ya.pixels[i].cr, yb.pixels[i].cr, false);
      }
      continue;
    }
    for (int p = 0; p < format.PlaneCount(); ++p) {
      for (std::size_t i = 0; i < format.PlaneSamples(p); ++i)
        t->Add(xa.Code(format, p, i), xb.Code(format, p, i), false);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(
        stderr,
        "usage: sample_diff A B [--module-units] [--max D] [--max-per-mille R] [--alpha-exact]\n");
    return 2;
  }
  bool moduleUnits = false, alphaExact = false;
  long long maxDiff = -1;
  double maxPerMille = -1.0;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--module-units") == 0) {
      moduleUnits = true;
    } else if (std::strcmp(argv[i], "--alpha-exact") == 0) {
      alphaExact = true;
    } else if (std::strcmp(argv[i], "--max") == 0 && i + 1 < argc) {
      maxDiff = std::atoll(argv[++i]);
    } else if (std::strcmp(argv[i], "--max-per-mille") == 0 && i + 1 < argc) {
      maxPerMille = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }
  Tally t;
  const int rc = IsPng(argv[1]) ? ComparePng(argv[1], argv[2], &t)
                                : CompareY4m(argv[1], argv[2], moduleUnits, &t);
  if (rc != 0) return rc;
  if (t.samples == 0) {
    std::fprintf(stderr, "nothing to compare\n");
    return 2;
  }
  const double perMille =
      1000.0 * static_cast<double>(t.differing) / static_cast<double>(t.samples);
  std::printf("samples %lld, differing %lld (%.4f per 1000), largest difference %lld\n", t.samples,
              t.differing, perMille, t.largest);
  if (t.alphaSamples > 0) {
    std::printf("alpha samples %lld, differing %lld\n", t.alphaSamples, t.alphaDiffering);
  }
  bool ok = true;
  if (maxDiff >= 0 && t.largest > maxDiff) ok = false;
  if (maxPerMille >= 0.0 && !(perMille < maxPerMille)) ok = false;
  if (alphaExact && (t.alphaSamples == 0 || t.alphaDiffering != 0)) ok = false;
  std::printf("%s\n", ok ? "within the limits" : "OUTSIDE THE LIMITS");
  return ok ? 0 : 1;
}
