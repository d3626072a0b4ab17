// Processor features, routine-selection inputs, the MMX state rule, time measurement, the
// processor count and the shared theme object of the raster library.
//
// This unit is compiled without any processor extension enabled: it only asks the
// processor what it has, so it runs on every processor.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <cstdint>

namespace raster {

// ---------------------------------------------------------------------------------------
// Processor features

enum TProcessorFeature { pfMMX, pfExtendedMMX, pfSSE, pfSSE2, pf3DNow, pf3DNowExt };
constexpr int ProcessorFeatureCount = 6;
extern const uint32_t ProcessorFeatureMasks[ProcessorFeatureCount];

// What the processor answers to the identification tests. The feature test is a function
// of these answers, so that it can be checked with any processor's answers.
struct TCpuidAnswers {
  bool CpuidPresent = false;
  uint32_t Signature = 0;            // CPUID leaf 1, EAX; the family is bits 8-11
  uint32_t FeatureBits = 0;          // CPUID leaf 1, EDX
  uint32_t ExtendedMaxLeaf = 0;      // CPUID leaf 0x80000000, EAX
  uint32_t ExtendedFeatureBits = 0;  // CPUID leaf 0x80000001, EDX
};

// This processor's answers (asked once and kept).
const TCpuidAnswers& ThisProcessor();

bool CpuidPresent();
uint32_t ProcessorSignature();
uint32_t ProcessorFeatureBits();
bool ExtendedCpuidPresent();
uint32_t ExtendedFeatureBits();

bool CpuHasFeature(TProcessorFeature Feature, const TCpuidAnswers& Answers);
bool CpuHasFeature(TProcessorFeature Feature);
bool CpuHasMMX();
bool CpuHasExtendedMMX();
bool CpuHas3DNow();

// The three tests that routine selection goes by.
struct TRoutineFeatures {
  bool MMX = false;
  bool ExtendedMMX = false;
  bool ThreeDNow = false;
};
TRoutineFeatures RoutineFeaturesOf(const TCpuidAnswers& Answers);
// This processor's features, or none at all when the environment variable
// RASTER_FORCE_PLAIN is "1" at start-up (so that every path can be tested).
TRoutineFeatures StartupRoutineFeatures();

// ---------------------------------------------------------------------------------------
// MMX state rule: the MMX variants of the pixel routines leave the MMX state set (the MMX
// registers alias the floating-point stack); after a run of calls through the routine
// pointers, and before any floating-point work, callers call LeaveMmxState.

// True when the blend unit installed its MMX variants.
extern bool MmxInUse;
// EMMS when MmxInUse, else nothing.
void LeaveMmxState();

// ---------------------------------------------------------------------------------------
// Time and system

// GetTickCount: milliseconds since system start, wrapping at 2^32.
uint32_t MillisecondTicks();

// A stopwatch on the performance counter.
class TPerfTimer {
 public:
  void Start();
  // Microseconds since Start (or since count 0 without a Start), rounded halves to even.
  int64_t ElapsedMicroseconds();

  int64_t Frequency = 0;
  int64_t StartCount = 0;
  int64_t StopCount = 0;
};

// round(1000000 x Counts / Frequency), halves to even, exact in integers.
int64_t CountsToMicroseconds(int64_t Counts, int64_t Frequency);

int GetProcessorCount();
// 1 until the start-up step sets it to GetProcessorCount.
extern int ProcessorCount;

// ---------------------------------------------------------------------------------------
// Visual styles: "uxtheme.dll" loaded by name, its entry points resolved by name.

enum TThemeEntry {
  teOpenThemeData, teCloseThemeData, teDrawThemeBackground, teDrawThemeEdge, teGetThemeColor,
  teGetThemeMetric, teGetThemeMargins, teSetWindowTheme, teIsThemeActive, teIsAppThemed,
  teEnableTheming, ThemeEntryCount
};
extern const char* const ThemeEntryNames[ThemeEntryCount];

struct TThemeLibraryState {
  HMODULE Module = nullptr;
  FARPROC Entries[ThemeEntryCount] = {};
  bool ThemesInUse = false;
  HTHEME ScrollBarTheme = nullptr;
  HTHEME GlobalsTheme = nullptr;
};
extern TThemeLibraryState ThemeLibrary;

bool LoadThemeLibrary();
void UnloadThemeLibrary();
bool ThemesUsable();
// True when this code runs inside a DLL rather than in the program itself.
bool RunsInsideLibrary();

// Keeps the two theme handles open and reopens them when the visual style changes.
class TThemeNexus {
 public:
  TThemeNexus();
  ~TThemeNexus();
  TThemeNexus(const TThemeNexus&) = delete;
  TThemeNexus& operator=(const TThemeNexus&) = delete;

  void OpenThemes();
  void CloseThemes();
  LRESULT ThemeWndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  HWND Window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

extern TThemeNexus* SharedThemeNexus;
extern TPerfTimer* SharedPerfTimer;

// ---------------------------------------------------------------------------------------
// Start-up and shut-down of this unit (see the library start-up order):
// InitializeSystemUnit creates SharedThemeNexus, then SharedPerfTimer;
// InitializeProcessorCount sets ProcessorCount (its own step, after the resampler unit);
// FinalizeSystemUnit frees SharedPerfTimer, then SharedThemeNexus.
void InitializeSystemUnit();
void InitializeProcessorCount();
void FinalizeSystemUnit();

}  // namespace raster
