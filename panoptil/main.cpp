// Panoptil: shows the emulator's two screens magnified in one window.
#include <windows.h>

#include "classlib/forms.h"
#include "panoptil/taskbar.h"
#include "panoptil/unit1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A taskbar the magnifier hid comes back however the program ends.
  panoptil::InstallTaskbarSafetyNet();
  classlib::Application->Initialize();
  classlib::Application->Title = L"Panoptil";
  try {
    panoptil::TForm1* form1 = nullptr;
    classlib::Application->CreateForm(form1);
    classlib::Application->Run();
    classlib::Application->DestroyForms();
  } catch (...) {
    classlib::Application->HandleException();
    panoptil::RestoreHiddenTaskbar();
    return 1;
  }
  return 0;
}
