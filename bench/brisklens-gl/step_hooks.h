// For brisklens-gl's timing build: times the steps of each frame through hooks on the calls
// that begin or end them, so the viewer's own code runs unchanged. The OpenGL calls (and
// SwapBuffers) are hooked in the viewer's table of entry points; the copy from the
// emulator (StretchBlt) and the flush after the cursor icon (GdiFlush) in the timing
// build's own import table.
#pragma once

#include <string>

namespace gl_bench {

// After LoadGlLibraries. False when a hooked call is missing. With `finish_before_swap`
// each swap waits for the window's rendering to be finished first (glFinish, which the
// viewer never calls): the renderer's work then shows in the draw step instead of the swap.
bool InstallStepHooks(bool finish_before_swap);
// Around each idle pass; the pass's steps are kept when `keep` (the viewer is attached).
void BeginPass();
void EndPass(bool keep);
// One line per kept pass (frame_steps.h).
void WriteStepTimes(const std::wstring& path);

}  // namespace gl_bench
