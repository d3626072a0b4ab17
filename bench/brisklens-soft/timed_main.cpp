// The timing build of brisklens-soft: the viewer's own forms, started as its program
// starts them, with the idle handler wrapped so that the work of each attached pass is
// measured without its sleep. The times (microseconds, one per line) are written to
// "pass-times.txt" in the working directory at the end. With the argument "single" the
// viewer switches to its largest single-screen layout at its first activation.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "classlib/forms.h"

using namespace brisklens_soft;
using classlib::Application;
using classlib::TObject;

namespace {

std::vector<double> pass_times;

double MicrosecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart);
}

// Runs the viewer's pass with no sleep of its own, times it, then sleeps its delay.
void WrapIdleHandler() {
  auto pass = Application->OnIdle;
  Application->OnIdle = [pass](TObject* sender, bool& done) {
    const int delay = Form1->PassDelay;
    Form1->PassDelay = 0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    pass(sender, done);
    const double elapsed = MicrosecondsSince(start);
    Form1->PassDelay = delay;
    if (Form1->Attached) pass_times.push_back(elapsed);
    Sleep(DWORD(delay));
  };
}

void ChooseLargestSingleScreenLayout() {
  Form2->Hide();
  Form1->SingleScr->SetChecked(true);
  Form1->N12801024->SetChecked(true);
  Form1->ResolutionIndex = 3;
  Form1->ApplyLayout();
  if (Form1->DirectPathChecked()) Form1->SizeImagesForDirectPath();
}

void WritePassTimes() {
  if (FILE* file = std::fopen("pass-times.txt", "w")) {
    for (double time : pass_times) std::fprintf(file, "%.1f\n", time);
    std::fclose(file);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const bool single = std::wstring(command_line) == L"single";
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(Form3);
  // The viewer installs its idle handler when its main window shows.
  auto show = Form1->OnShow;
  Form1->OnShow = [show](TObject* sender) {
    show(sender);
    WrapIdleHandler();
  };
  auto activate = Form1->OnActivate;
  Form1->OnActivate = [activate, single](TObject* sender) {
    const bool first = Form1->FirstActivation;
    activate(sender);
    if (first && single) ChooseLargestSingleScreenLayout();
  };
  Application->Run();
  Application->DestroyForms();
  WritePassTimes();
  return 0;
}
