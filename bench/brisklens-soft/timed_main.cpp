// The timing build of brisklens-soft: the viewer's own forms, started as its program
// starts them, with the idle handler wrapped so that the work of each attached pass is
// measured without its sleep. The times (microseconds, one per line) are written to
// "pass-times.txt" in the working directory at the end.
//
// The arguments choose what runs from the first activation on, through the viewer's own
// commands: a layout ("947" or "998": one screen at that size; else the start-up layout of
// two 512x384 windows), a filter ("fast", "clear"), a rotation ("left"), and "capture",
// which times only the copy of one frame from the emulator's window into the capture
// bitmap in place of the pass. A rotated view shows the images with the resampler they
// last received: here the chosen filter's, given to them directly.
#include <windows.h>

#include <string>

#include "bench/viewer/pass_timing.h"
#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "classlib/forms.h"
#include "raster/Raster_Resamplers.h"
#include "raster/Raster_Startup.h"

using namespace brisklens_soft;
using classlib::Application;

namespace {

bool Has(const std::wstring& arguments, const wchar_t* word) {
  return (L" " + arguments + L" ").find(L" " + std::wstring(word) + L" ") != std::wstring::npos;
}

void GiveImagesTheFilter(const char* resampler, bool lanczos) {
  for (raster::TBitmap32* bitmap : {Form1->MyBMP.Bitmap(), Form2->MyBMP2.Bitmap()}) {
    bitmap->SetResamplerClassName(resampler);
    if (lanczos)
      static_cast<raster::TKernelResampler*>(bitmap->Resampler())
          ->SetKernel(new raster::TLanczosKernel());
  }
}

// Times the copy of the main window's frame alone, once attached.
void TimeCaptureOnly() {
  Application->OnIdle = [](classlib::TObject*, bool& done) {
    done = false;
    Form1->AttachToEmulator(false);
    if (!Form1->Attached) return;
    const RECT whole = {0, 0, Form1->CaptureBitmap->Width(), Form1->CaptureBitmap->Height()};
    const RECT frame = {0, 201, whole.right, 201 + whole.bottom};
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    Form1->CaptureBitmap->Canvas().CopyRect(whole, *Form1->EmulatorCanvas, frame);
    GdiFlush();
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    viewer_bench::PassTimes().push_back(double(end.QuadPart - start.QuadPart) * 1e6 /
                                        double(frequency.QuadPart));
    Sleep(DWORD(Form1->PassDelay));
  };
}

void ChooseRun(const std::wstring& arguments) {
  if (Has(arguments, L"947") || Has(arguments, L"998")) {
    Form1->SingleScrClick(nullptr);
    if (Has(arguments, L"998")) Form1->N12801024Click(nullptr);
  }
  if (Has(arguments, L"fast")) Form1->FastLinearClick(nullptr);
  if (Has(arguments, L"clear")) Form1->ClearLinearClick(nullptr);
  if (Has(arguments, L"left")) {
    if (Has(arguments, L"fast")) GiveImagesTheFilter("TDraftResampler", false);
    if (Has(arguments, L"clear")) GiveImagesTheFilter("TKernelResampler", true);
    Form1->RotateLeftClick(nullptr);
  }
  if (Has(arguments, L"capture")) TimeCaptureOnly();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const std::wstring arguments = command_line;
  raster::StartupRasterLibrary();
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(Form3);
  viewer_bench::TimeViewerPasses(*Form1, [arguments] { ChooseRun(arguments); });
  Application->Run();
  Application->DestroyForms();
  viewer_bench::WritePassTimes();
  raster::ShutdownRasterLibrary();
  return 0;
}
