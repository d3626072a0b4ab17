#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::BindCommands() {
  auto bind = [this](TMenuItem* item, void (TForm1::*handler)(TObject*)) {
    viewer::BindClick(item, *this, handler);
  };
  bind(SingleMon, &TForm1::SingleMonClick);
  bind(DoubleMon, &TForm1::DoubleMonClick);
  bind(SingleScr, &TForm1::SingleScrClick);
  bind(DoubleScr, &TForm1::DoubleScrClick);
  bind(UpScr, &TForm1::UpScrClick);
  bind(DownScr, &TForm1::DownScrClick);
  bind(N800600, &TForm1::N800600Click);
  bind(N1024768, &TForm1::N1024768Click);
  bind(N1280800, &TForm1::N1280800Click);
  bind(N12801024, &TForm1::N12801024Click);
  bind(Normal, &TForm1::NormalClick);
  bind(RotateLeft, &TForm1::RotateLeftClick);
  bind(RotateRight, &TForm1::RotateRightClick);
  bind(CursorON, &TForm1::CursorONClick);
  bind(CursorOFF, &TForm1::CursorOFFClick);
  bind(Setting, &TForm1::SettingClick);
  bind(NoSkip, &TForm1::NoSkipClick);
  bind(N60fps, &TForm1::N60fpsClick);
  bind(N50fps, &TForm1::N50fpsClick);
  bind(N40fps, &TForm1::N40fpsClick);
  bind(N30fps, &TForm1::N30fpsClick);
  bind(N25fps, &TForm1::N25fpsClick);
  bind(N20fps, &TForm1::N20fpsClick);
  bind(have, &TForm1::haveClick);
  bind(none, &TForm1::noneClick);
  bind(noneall, &TForm1::noneallClick);
  bind(GlMenu::Hide, &TForm1::HideClick);
  bind(GlMenu::Show, &TForm1::ShowClick);
}

void TForm1::SingleMonClick(TObject*) {
  SingleMon->SetChecked(true);
  ApplyLayout();
}

void TForm1::DoubleMonClick(TObject*) {
  DoubleMon->SetChecked(true);
  ApplyLayout();
}

// Closing the second window deletes its rendering context.
void TForm1::SingleScrClick(TObject*) {
  Form3->Close();
  SingleScr->SetChecked(true);
  ChangeScr->SetEnabled(true);
  ApplyLayout();
}

// Showing the second window makes it a new rendering context, which becomes current: the
// main window's is made current again before the layout.
void TForm1::DoubleScrClick(TObject*) {
  Form3->Show();
  DoubleScr->SetChecked(true);
  ChangeScr->SetEnabled(false);
  DownScr->SetChecked(true);
  ActivateRendering();
  ApplyLayout();
  ScreenOffset = 0;
  CaptureLastRow = 481;
}

void TForm1::UpScrClick(TObject*) {
  ScreenOffset = -202;
  UpScr->SetChecked(true);
  CaptureLastRow = ScreenOffset + 481;
}

void TForm1::DownScrClick(TObject*) {
  ScreenOffset = 0;
  DownScr->SetChecked(true);
  CaptureLastRow = 481;
}

void TForm1::ChooseResolution(int index, TMenuItem* item) {
  ResolutionIndex = index;
  ApplyLayout();
  item->SetChecked(true);
}

void TForm1::N800600Click(TObject*) { ChooseResolution(0, N800600); }
void TForm1::N1024768Click(TObject*) { ChooseResolution(1, N1024768); }
void TForm1::N1280800Click(TObject*) { ChooseResolution(2, N1280800); }
void TForm1::N12801024Click(TObject*) { ChooseResolution(3, N12801024); }

// The rotations take the border mode into the preset; turning hides the cursor icon,
// turning back shows it.
void TForm1::ChooseRotation(int rotation, TMenuItem* item, TMenuItem* cursor_item) {
  PresetIndex = PresetOf(rotation, noneall->Checked());
  ApplyLayout();
  item->SetChecked(true);
  cursor_item->SetChecked(true);
}

void TForm1::NormalClick(TObject*) { ChooseRotation(0, Normal, CursorON); }
void TForm1::RotateLeftClick(TObject*) { ChooseRotation(1, RotateLeft, CursorOFF); }
void TForm1::RotateRightClick(TObject*) { ChooseRotation(2, RotateRight, CursorOFF); }

void TForm1::CursorONClick(TObject*) { CursorON->SetChecked(true); }
void TForm1::CursorOFFClick(TObject*) { CursorOFF->SetChecked(true); }

void TForm1::SettingClick(TObject*) {
  if (Form4->ShowModal() != mrOk) return;
  CursorOffsetX = Form4->XCorrection;
  CursorOffsetY = Form4->YCorrection;
}

void TForm1::ChooseSpeed(int speed) {
  PassDelay = PassDelayOfSpeed(speed);
  SpeedItems()[size_t(speed)]->SetChecked(true);
}

void TForm1::NoSkipClick(TObject*) { ChooseSpeed(0); }
void TForm1::N60fpsClick(TObject*) { ChooseSpeed(1); }
void TForm1::N50fpsClick(TObject*) { ChooseSpeed(2); }
void TForm1::N40fpsClick(TObject*) { ChooseSpeed(3); }
void TForm1::N30fpsClick(TObject*) { ChooseSpeed(4); }
void TForm1::N25fpsClick(TObject*) { ChooseSpeed(5); }
void TForm1::N20fpsClick(TObject*) { ChooseSpeed(6); }

// The border items take the rotation into the preset. The style changes in place: the
// window, and so its device and rendering contexts, stay.
void TForm1::ChooseBorder(int border) {
  BorderItems()[size_t(border)]->SetChecked(true);
  SetBorderStyleInPlace(border == 0 ? TFormBorderStyle::bsSingle : TFormBorderStyle::bsNone);
  PresetIndex = PresetOf(viewer::CheckedIndex(RotationItems()), border == 2);
  ApplyLayout();
}

void TForm1::haveClick(TObject*) { ChooseBorder(0); }
void TForm1::noneClick(TObject*) { ChooseBorder(1); }
void TForm1::noneallClick(TObject*) { ChooseBorder(2); }

// Before the emulator is attached, or when it is hidden already, only the check changes.
void TForm1::HideClick(TObject*) {
  HideEmulatorWindow();
  GlMenu::Hide->SetChecked(true);
}

void TForm1::ShowClick(TObject*) {
  RestoreEmulatorWindow();
  GlMenu::Show->SetChecked(true);
}

}  // namespace brisklens_gl
