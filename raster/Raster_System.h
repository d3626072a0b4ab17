// Processor features and the selection of the routine variants, the MMX state rule, time
// measurement, the processor count and the shared theme object of the raster library.
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

// The four tests that routine selection goes by.
struct TRoutineFeatures {
  bool MMX = false;
  bool ExtendedMMX = false;
  bool ThreeDNow = false;
  bool SSE2 = false;
};
TRoutineFeatures RoutineFeaturesOf(const TCpuidAnswers& Answers);
// This processor's features, or none at all after ForcePlainRoutines(true).
TRoutineFeatures StartupRoutineFeatures();
// Makes the start-up choose the plain routines whatever the processor has, so that a test
// can run every path on any host. Call it before the library start-up.
void ForcePlainRoutines(bool Force);

// The one place that chooses the processor's routines (Raster_System_Selection.cpp):
// installs the variant of every routine pointer of the library that these features call
// for, sets MmxInUse to Features.MMX and, with it, builds the blend unit's weight vectors
// that the MMX variants read. Every pointer holds its plain variant from the program's
// start (static initialisation), so nothing meets a null pointer before the library
// start-up. The start-up calls it with StartupRoutineFeatures(); tests and benchmarks
// call it to run each variant set in turn.
void SelectRoutines(const TRoutineFeatures& Features);

// ---------------------------------------------------------------------------------------
// MMX state rule: the MMX variants of the pixel routines leave the MMX state set (the MMX
// registers alias the floating-point stack); after a run of calls through the routine
// pointers, and before any floating-point work, callers call LeaveMmxState.

// True when the routine selection installed the MMX variants of the blend unit.
extern bool MmxInUse;
// EMMS when MmxInUse, else nothing.
void LeaveMmxState();

// ---------------------------------------------------------------------------------------
// Single precision on every build. The x86_64 build computes float expressions in SSE
// registers, rounding each operation to single precision; the i686 build computes them on
// the x87 unit, which keeps extended precision between operations unless its precision
// control says otherwise (and the i686 build must not require SSE). Code whose results are
// defined in single precision runs while one of these lives: on i686 it sets the x87
// precision control to 24 bits and gives the caller's control word back at the end; on
// x86_64 it does nothing. The computing code should be a function called inside the
// scope (not inline arithmetic beside the constructor), so that the compiler cannot move
// operations out of it. Loads of integers wider than 24 bits are not rounded by it.
class TSinglePrecision {
 public:
  TSinglePrecision();
  ~TSinglePrecision();
  TSinglePrecision(const TSinglePrecision&) = delete;
  TSinglePrecision& operator=(const TSinglePrecision&) = delete;

 private:
  unsigned int saved_control_ = 0;
};

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
