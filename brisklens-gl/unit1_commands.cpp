#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::BindOwnCommands() {
  auto bind = [this](TMenuItem* item, void (TForm1::*handler)(TObject*)) {
    viewer::BindClick(item, *this, handler);
  };
  bind(Normal, &TForm1::NormalClick);
  bind(Setting, &TForm1::SettingClick);
  bind(GlMenu::Hide, &TForm1::HideClick);
  bind(GlMenu::Show, &TForm1::ShowClick);
}

// Showing the second window makes it a new rendering context, which becomes current: the
// main window's is made current again.
void TForm1::ShowSecondWindow() {
  Form3->Show();
  ActivateRendering();
}

// Closing the second window deletes its rendering context and leaves none current.
void TForm1::CloseSecondWindow() {
  Form3->Close();
  ActivateRendering();
}

// The rotations take the border mode into the preset; turning hides the cursor icon,
// turning back shows it.
void TForm1::RotationChosen(int rotation) {
  PresetIndex = PresetOf(rotation, noneall->Checked());
  (rotation == 0 ? CursorON : CursorOFF)->SetChecked(true);
}

// The border items take the rotation into the preset.
void TForm1::BorderChosen(int border) {
  PresetIndex = PresetOf(viewer::CheckedIndex(RotationItems()), border == 2);
}

void TForm1::NormalClick(TObject*) { ChooseRotation(0); }
void TForm1::SettingClick(TObject*) { ChooseCursorOffsets(); }
void TForm1::HideClick(TObject*) { ChooseEmulatorHidden(true); }
void TForm1::ShowClick(TObject*) { ChooseEmulatorHidden(false); }

}  // namespace brisklens_gl
