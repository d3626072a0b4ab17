// The steps of one brisklens-gl frame as its timing build measures them, each per window,
// and the file that carries them from the timing build to the benchmark: one line per
// pass, kStepCount x kWindowCount microsecond figures (step by step, main window first).
#pragma once

namespace gl_bench {

enum Step {
  kCapture,  // the copy of the emulator's client area into the capture bitmap
  kCursor,   // the pointer check and the cursor icon drawn into the capture
  kRepack,   // the window's block of the capture repacked into the texture buffer
  kUpload,   // the texture bound, its parameters set and its image specified
  kDraw,     // the textured square drawn
  kSwap,     // the buffers swapped
  kSwitch,   // making the second window's context current and the main one again
  kOther,    // the rest of the pass: the attachment and alive checks, the snapping
  kStepCount
};
constexpr int kWindowCount = 2;  // the main window, then the second window

constexpr const char* kStepNames[kStepCount] = {"capture", "cursor", "repack", "upload",
                                                "draw",    "swap",   "switch", "other"};

// Per pass: the time of each step in each window, in microseconds.
struct PassSteps {
  double us[kStepCount][kWindowCount] = {};
};

}  // namespace gl_bench
