// The timing build of brisklens-gl: the viewer's own forms, started as its program starts
// them, with the idle handler wrapped so that the work of each attached pass is measured
// without its sleep (the times go to "pass-times.txt") and the steps of its frame through
// hooks (step_hooks.h). The command line is a mode and the file for the steps:
//   dual PATH    two screens, the pointer away from the emulator
//   icon PATH    two screens, the pointer on the emulator's touch screen: the cursor icon
//                is drawn into every frame
//   finish PATH  two screens, each swap after the window's rendering is finished
//   single PATH  one screen: the viewer switches at its first activation
#include <windows.h>

#include <string>

#include "bench/brisklens-gl/step_hooks.h"
#include "bench/viewer/pass_timing.h"
#include "brisklens-gl/gl_library.h"
#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"
#include "classlib/forms.h"
#include "raster/Raster_Startup.h"

using namespace brisklens_gl;
using classlib::Application;
using classlib::TObject;

namespace {

// Keeps the pointer on the touch screen, clear of the middle the benchmark watches.
void PointAtTouchScreen() {
  RECT emulator;
  if (!Form1->EmulatorWindow || !GetWindowRect(Form1->EmulatorWindow, &emulator)) return;
  const POINT target = {emulator.left + 11 + 40, emulator.top + 257 + 40};
  POINT pointer;
  if (GetCursorPos(&pointer) && (pointer.x != target.x || pointer.y != target.y))
    SetCursorPos(target.x, target.y);
}

// Times the steps of each pass from the viewer's showing on (it installs its idle
// handler then); runs inside the pass timing, so that the pass's sleep is not counted.
void TimeFrameSteps(bool with_icon) {
  auto show = Form1->OnShow;
  Form1->OnShow = [show, with_icon](TObject* sender) {
    show(sender);
    auto pass = Application->OnIdle;
    Application->OnIdle = [pass, with_icon](TObject* idle_sender, bool& done) {
      if (with_icon) PointAtTouchScreen();
      gl_bench::BeginPass();
      pass(idle_sender, done);
      gl_bench::EndPass(Form1->Attached);
    };
  };
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const std::wstring arguments = command_line;
  const size_t space = arguments.find(L' ');
  const std::wstring mode = arguments.substr(0, space);
  const std::wstring steps_file = space == std::wstring::npos ? L"" : arguments.substr(space + 1);
  if (LoadGlLibraries() != GlLoadResult::Loaded) return 1;
  if (!gl_bench::InstallStepHooks(mode == L"finish")) return 1;
  raster::StartupRasterLibrary();
  Application->Initialize();
  Application->MainFormOnTaskBar = false;  // as the program starts
  Application->CreateForm(Form1);
  Application->CreateForm(Form3);
  Application->CreateForm(Form4);
  TimeFrameSteps(mode == L"icon");
  viewer_bench::TimeViewerPasses(*Form1, mode == L"single"
                                             ? [] { Form1->SingleScrClick(Form1); }
                                             : std::function<void()>());
  Application->Run();
  Application->DestroyForms();
  viewer_bench::WritePassTimes();
  if (!steps_file.empty()) gl_bench::WriteStepTimes(steps_file);
  raster::ShutdownRasterLibrary();
  return 0;
}
