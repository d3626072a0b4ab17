// The timing build of brisklens-soft: the viewer's own forms, started as its program
// starts them, with the idle handler wrapped so that the work of each attached pass is
// measured without its sleep. The times (microseconds, one per line) are written to
// "pass-times.txt" in the working directory at the end. With the argument "single" the
// viewer switches to its largest single-screen layout at its first activation.
#include <windows.h>

#include <string>

#include "bench/viewer/pass_timing.h"
#include "brisklens-soft/unit1.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "classlib/forms.h"

using namespace brisklens_soft;
using classlib::Application;

namespace {

void ChooseLargestSingleScreenLayout() {
  Form2->Hide();
  Form1->SingleScr->SetChecked(true);
  Form1->N12801024->SetChecked(true);
  Form1->ResolutionIndex = 3;
  Form1->ApplyLayout();
  if (Form1->DirectPathChecked()) Form1->SizeImagesForDirectPath();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
  const bool single = std::wstring(command_line) == L"single";
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(Form3);
  viewer_bench::TimeViewerPasses(*Form1, single ? ChooseLargestSingleScreenLayout
                                                 : std::function<void()>());
  Application->Run();
  Application->DestroyForms();
  viewer_bench::WritePassTimes();
  return 0;
}
