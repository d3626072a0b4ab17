// Processor identification, the MMX state rule, timers, the processor count and the
// shared theme object. Compiled without processor extensions: see the header.
#include "raster/Raster_System.h"

#include "classlib/utilitywindow.h"

#include <float.h>
#include <cpuid.h>
#include <x86intrin.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace raster {

// ---------------------------------------------------------------------------------------
// Processor features

const uint32_t ProcessorFeatureMasks[ProcessorFeatureCount] = {
    0x00800000,  // pfMMX: leaf 1 EDX bit 23
    0x00400000,  // pfExtendedMMX: leaf 0x80000001 EDX bit 22
    0x02000000,  // pfSSE: leaf 1 EDX bit 25
    0x04000000,  // pfSSE2: leaf 1 EDX bit 26
    0x80000000,  // pf3DNow: leaf 0x80000001 EDX bit 31
    0x40000000,  // pf3DNowExt: leaf 0x80000001 EDX bit 30
};

namespace {

constexpr uint32_t EflagsIdBit = 0x200000;
constexpr uint32_t ExtendedBaseLeaf = 0x80000000;

// Whether the identification bit of EFLAGS can be toggled: processors that can do so
// have the CPUID instruction.
bool EflagsIdBitToggles() {
  const auto original = __readeflags();
  __writeeflags(original ^ EflagsIdBit);
  const auto toggled = __readeflags();
  __writeeflags(original);
  return ((original ^ toggled) & EflagsIdBit) != 0;
}

TCpuidAnswers AskProcessor() {
  TCpuidAnswers answers;
  answers.CpuidPresent = EflagsIdBitToggles();
  if (!answers.CpuidPresent) return answers;
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
  __cpuid(1, eax, ebx, ecx, edx);
  answers.Signature = eax;
  answers.FeatureBits = edx;
  __cpuid(ExtendedBaseLeaf, eax, ebx, ecx, edx);
  answers.ExtendedMaxLeaf = eax;
  if (answers.ExtendedMaxLeaf > ExtendedBaseLeaf) {
    __cpuid(ExtendedBaseLeaf + 1, eax, ebx, ecx, edx);
    answers.ExtendedFeatureBits = edx;
  }
  return answers;
}

bool HasExtendedLeaves(const TCpuidAnswers& answers) {
  return answers.ExtendedMaxLeaf > ExtendedBaseLeaf;  // equal counts as absent
}

bool ExtendedBitSet(const TCpuidAnswers& answers, TProcessorFeature feature) {
  return HasExtendedLeaves(answers) &&
         (answers.ExtendedFeatureBits & ProcessorFeatureMasks[feature]) != 0;
}

}  // namespace

const TCpuidAnswers& ThisProcessor() {
  static const TCpuidAnswers answers = AskProcessor();
  return answers;
}

bool CpuidPresent() { return ThisProcessor().CpuidPresent; }
uint32_t ProcessorSignature() { return ThisProcessor().Signature; }
uint32_t ProcessorFeatureBits() { return ThisProcessor().FeatureBits; }
bool ExtendedCpuidPresent() { return HasExtendedLeaves(ThisProcessor()); }
uint32_t ExtendedFeatureBits() { return ThisProcessor().ExtendedFeatureBits; }

bool CpuHasFeature(TProcessorFeature Feature, const TCpuidAnswers& Answers) {
  if (!Answers.CpuidPresent) return false;
  if (((Answers.Signature >> 8) & 0x0F) < 5) return false;
  switch (Feature) {
    case pfExtendedMMX:
      // The integer instructions that came with SSE are the extended MMX set.
      if (Answers.FeatureBits & ProcessorFeatureMasks[pfSSE]) return true;
      return ExtendedBitSet(Answers, pfExtendedMMX);
    case pf3DNow:
    case pf3DNowExt:
      return ExtendedBitSet(Answers, Feature);  // the vendor is not examined
    default:
      return (Answers.FeatureBits & ProcessorFeatureMasks[Feature]) != 0;
  }
}

bool CpuHasFeature(TProcessorFeature Feature) { return CpuHasFeature(Feature, ThisProcessor()); }
bool CpuHasMMX() { return CpuHasFeature(pfMMX); }
bool CpuHasExtendedMMX() { return CpuHasFeature(pfExtendedMMX); }
bool CpuHas3DNow() { return CpuHasFeature(pf3DNow); }

TRoutineFeatures RoutineFeaturesOf(const TCpuidAnswers& Answers) {
  TRoutineFeatures features;
  features.MMX = CpuHasFeature(pfMMX, Answers);
  features.ExtendedMMX = CpuHasFeature(pfExtendedMMX, Answers);
  features.ThreeDNow = CpuHasFeature(pf3DNow, Answers);
  features.SSE2 = CpuHasFeature(pfSSE2, Answers);
  return features;
}

namespace {
bool PlainRoutinesForced = false;
}  // namespace

void ForcePlainRoutines(bool Force) { PlainRoutinesForced = Force; }

TRoutineFeatures StartupRoutineFeatures() {
  if (PlainRoutinesForced) return TRoutineFeatures{};
  return RoutineFeaturesOf(ThisProcessor());
}

// ---------------------------------------------------------------------------------------
// MMX state

bool MmxInUse = false;

void LeaveMmxState() {
  // EMMS is executed only with MmxInUse set, which the selection sets only for a
  // processor that has MMX: on one without, the instruction would fault.
  if (MmxInUse) __asm__ volatile("emms" ::: "memory");
}

// ---------------------------------------------------------------------------------------
// Single precision

#if defined(__i386__)
TSinglePrecision::TSinglePrecision() : saved_control_(_control87(0, 0)) {
  _control87(_PC_24, _MCW_PC);
}
TSinglePrecision::~TSinglePrecision() { _control87(saved_control_ & _MCW_PC, _MCW_PC); }
#else
TSinglePrecision::TSinglePrecision() = default;
TSinglePrecision::~TSinglePrecision() = default;
#endif

// ---------------------------------------------------------------------------------------
// Time and system

uint32_t MillisecondTicks() { return GetTickCount(); }

namespace {
int64_t PerformanceCount() {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}
}  // namespace

void TPerfTimer::Start() { StartCount = PerformanceCount(); }

int64_t TPerfTimer::ElapsedMicroseconds() {
  StopCount = PerformanceCount();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  Frequency = frequency.QuadPart;
  return CountsToMicroseconds(StopCount - StartCount, Frequency);
}

int64_t CountsToMicroseconds(int64_t Counts, int64_t Frequency) {
  if (Frequency <= 0) return 0;  // no performance counter: nothing can be measured
  const int64_t product = Counts * 1000000;
  int64_t quotient = product / Frequency;
  const int64_t remainder = product % Frequency;
  const int64_t twice = (remainder < 0 ? -remainder : remainder) * 2;
  if (twice > Frequency || (twice == Frequency && (quotient & 1) != 0))
    quotient += product < 0 ? -1 : 1;
  return quotient;
}

int GetProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return int(info.dwNumberOfProcessors);
}

int ProcessorCount = 1;

// ---------------------------------------------------------------------------------------
// Visual styles

const char* const ThemeEntryNames[ThemeEntryCount] = {
    "OpenThemeData",   "CloseThemeData",  "DrawThemeBackground", "DrawThemeEdge",
    "GetThemeColor",   "GetThemeMetric",  "GetThemeMargins",     "SetWindowTheme",
    "IsThemeActive",   "IsAppThemed",     "EnableTheming",
};

TThemeLibraryState ThemeLibrary;

namespace {

using OpenThemeDataProc = HTHEME(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataProc = HRESULT(WINAPI*)(HTHEME);
using ThemeQueryProc = BOOL(WINAPI*)();

template <class Proc>
Proc Entry(TThemeEntry entry) {
  return reinterpret_cast<Proc>(ThemeLibrary.Entries[entry]);
}

constexpr TThemeEntry RequiredEntries[] = {teOpenThemeData, teCloseThemeData, teIsThemeActive,
                                           teIsAppThemed, teEnableTheming};

}  // namespace

bool LoadThemeLibrary() {
  if (ThemeLibrary.Module != nullptr) return true;
  ThemeLibrary.Module = LoadLibraryA("uxtheme.dll");
  if (ThemeLibrary.Module == nullptr) return false;
  for (int i = 0; i < ThemeEntryCount; ++i)
    ThemeLibrary.Entries[i] = GetProcAddress(ThemeLibrary.Module, ThemeEntryNames[i]);
  for (TThemeEntry entry : RequiredEntries) {
    if (ThemeLibrary.Entries[entry] == nullptr) {
      UnloadThemeLibrary();
      break;
    }
  }
  return ThemeLibrary.Module != nullptr;
}

bool RunsInsideLibrary() {
  HMODULE own_module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&RunsInsideLibrary), &own_module);
  return own_module != nullptr && own_module != GetModuleHandleA(nullptr);
}

void UnloadThemeLibrary() {
  if (ThemeLibrary.Module == nullptr) return;
  // A DLL must not free libraries while it is being unloaded itself.
  if (!RunsInsideLibrary()) FreeLibrary(ThemeLibrary.Module);
  ThemeLibrary.Module = nullptr;
  for (FARPROC& entry : ThemeLibrary.Entries) entry = nullptr;
}

bool ThemesUsable() {
  return ThemeLibrary.Module != nullptr && Entry<ThemeQueryProc>(teIsAppThemed)() != FALSE &&
         Entry<ThemeQueryProc>(teIsThemeActive)() != FALSE;
}

// A hidden top-level window, not a message-only one, which would miss the broadcast
// WM_THEMECHANGED.
TThemeNexus::TThemeNexus() {
  window_ = classlib::AllocateUtilityWindow(
      classlib::TUtilityWindowKind::Hidden,
      [this](UINT Msg, WPARAM WParam, LPARAM LParam) { return ThemeWndProc(Msg, WParam, LParam); });
  OpenThemes();
}

TThemeNexus::~TThemeNexus() {
  CloseThemes();
  classlib::DeallocateUtilityWindow(window_);
}

void TThemeNexus::OpenThemes() {
  ThemeLibrary.ThemesInUse = false;
  if (LoadThemeLibrary()) ThemeLibrary.ThemesInUse = ThemesUsable();
  if (!ThemeLibrary.ThemesInUse) return;
  auto open = Entry<OpenThemeDataProc>(teOpenThemeData);
  ThemeLibrary.ScrollBarTheme = open(window_, L"SCROLLBAR");
  ThemeLibrary.GlobalsTheme = open(window_, L"GLOBALS");
}

// The handles are closed whenever they are open, even when the themes have just been
// switched off (ThemesUsable false), and are always cleared: a handle kept after the
// library is unloaded would point into freed code.
void TThemeNexus::CloseThemes() {
  const bool may_close = ThemeLibrary.Module != nullptr && !RunsInsideLibrary();
  for (HTHEME* theme : {&ThemeLibrary.ScrollBarTheme, &ThemeLibrary.GlobalsTheme}) {
    if (*theme != nullptr && may_close) Entry<CloseThemeDataProc>(teCloseThemeData)(*theme);
    *theme = nullptr;
  }
  ThemeLibrary.ThemesInUse = false;
  UnloadThemeLibrary();
}

LRESULT TThemeNexus::ThemeWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_THEMECHANGED) {
    CloseThemes();
    OpenThemes();
  }
  return DefWindowProcA(window_, Msg, WParam, LParam);
}

TThemeNexus* SharedThemeNexus = nullptr;
TPerfTimer* SharedPerfTimer = nullptr;

// ---------------------------------------------------------------------------------------
// Start-up and shut-down

void InitializeSystemUnit() {
  if (SharedThemeNexus == nullptr) SharedThemeNexus = new TThemeNexus;
  if (SharedPerfTimer == nullptr) SharedPerfTimer = new TPerfTimer;
}

void InitializeProcessorCount() { ProcessorCount = GetProcessorCount(); }

void FinalizeSystemUnit() {
  delete SharedPerfTimer;
  SharedPerfTimer = nullptr;
  delete SharedThemeNexus;
  SharedThemeNexus = nullptr;
}

}  // namespace raster
