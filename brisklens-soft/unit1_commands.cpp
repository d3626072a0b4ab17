#include "brisklens-soft/unit1.h"

#include "brisklens-soft/settings.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "raster/Raster_Resamplers.h"

namespace brisklens_soft {

using namespace classlib;

namespace {

// The capture's size with and without the emulator's 7-pixel frame.
constexpr int kFrameWidth = 270, kFrameHeight = 208;
constexpr int kScreenWidth = 256, kScreenHeight = 192;
constexpr int kScreenTrim = 7;

const char* const kFilterResamplers[] = {"TNearestResampler", "TDraftResampler",
                                         "TKernelResampler"};

}  // namespace

void TForm1::BindCommands() {
  auto bind = [this](TMenuItem* item, void (TForm1::*handler)(TObject*)) {
    viewer::BindClick(item, *this, handler);
  };
  bind(SingleMon, &TForm1::SingleMonClick);
  bind(DoubleMon, &TForm1::DoubleMonClick);
  bind(SingleScr, &TForm1::SingleScrClick);
  bind(DoubleScr, &TForm1::DoubleScrClick);
  bind(NoneFilter, &TForm1::NoneFilterClick);
  bind(FastLinear, &TForm1::FastLinearClick);
  bind(ClearLinear, &TForm1::ClearLinearClick);
  bind(UpScr, &TForm1::UpScrClick);
  bind(DownScr, &TForm1::DownScrClick);
  bind(N800600, &TForm1::N800600Click);
  bind(N1024768, &TForm1::N1024768Click);
  bind(N1280800, &TForm1::N1280800Click);
  bind(N12801024, &TForm1::N12801024Click);
  bind(normal, &TForm1::normalClick);
  bind(RotateLeft, &TForm1::RotateLeftClick);
  bind(RotateRight, &TForm1::RotateRightClick);
  bind(CursorON, &TForm1::CursorONClick);
  bind(CursorOFF, &TForm1::CursorOFFClick);
  bind(setting, &TForm1::settingClick);
  bind(NoSkip, &TForm1::NoSkipClick);
  bind(N60fps, &TForm1::N60fpsClick);
  bind(N50fps, &TForm1::N50fpsClick);
  bind(N40fps, &TForm1::N40fpsClick);
  bind(N30fps, &TForm1::N30fpsClick);
  bind(N25fps, &TForm1::N25fpsClick);
  bind(N20fps, &TForm1::N20fpsClick);
  bind(AlphaOff, &TForm1::AlphaOffClick);
  bind(AlphaOn, &TForm1::AlphaOnClick);
  bind(have, &TForm1::haveClick);
  bind(none, &TForm1::noneClick);
  bind(noneall, &TForm1::noneallClick);
}

void TForm1::SizeImagesIfDirect() {
  if (DirectPathChecked()) SizeImagesForDirectPath();
}

void TForm1::SizeImagesToClient() {
  MyBMP.SetBounds(0, 0, ClientWidth(), ClientHeight());
  Form2->MyBMP2.SetBounds(0, 0, ClientWidth(), ClientHeight());
}

void TForm1::SingleMonClick(TObject*) {
  SingleMon->SetChecked(true);
  ApplyLayout();
  SizeImagesIfDirect();
}

void TForm1::DoubleMonClick(TObject*) {
  DoubleMon->SetChecked(true);
  ApplyLayout();
  SizeImagesIfDirect();
}

void TForm1::SingleScrClick(TObject*) {
  Form2->Hide();
  SingleScr->SetChecked(true);
  ZoomMode->SetEnabled(true);
  ApplyLayout();
  SizeImagesIfDirect();
}

// Two screens always show the touch screen in the main window.
void TForm1::DoubleScrClick(TObject*) {
  Form2->Show();
  DoubleScr->SetChecked(true);
  ZoomMode->SetEnabled(false);
  DownScr->SetChecked(true);
  ScreenOffset = 0;
  ApplyLayout();
  SizeImagesIfDirect();
}

// Every copy of CaptureBitmap into an image takes its resampler along; the Lanczos kernel
// is owned by the resampler it is given to.
void TForm1::SetCaptureFilter(int filter) {
  CaptureBitmap->SetResamplerClassName(kFilterResamplers[filter]);
  if (filter != 2) return;
  if (auto* kernel_resampler = dynamic_cast<raster::TKernelResampler*>(CaptureBitmap->Resampler()))
    kernel_resampler->SetKernel(new raster::TLanczosKernel());
}

// No filter goes back to the direct path unless a rotation keeps the images showing; the
// filters show the images at the client size.
void TForm1::ChooseFilter(int filter) {
  if (filter == 0) {
    SetCaptureFilter(filter);
    NoneFilter->SetChecked(true);
    if (normal->Checked())
      SizeImagesForDirectPath();
    else
      SizeImagesToClient();
    return;
  }
  SizeImagesToClient();
  SetCaptureFilter(filter);
  FilterItems()[size_t(filter)]->SetChecked(true);
}

void TForm1::NoneFilterClick(TObject*) { ChooseFilter(0); }
void TForm1::FastLinearClick(TObject*) { ChooseFilter(1); }
void TForm1::ClearLinearClick(TObject*) { ChooseFilter(2); }

void TForm1::UpScrClick(TObject*) {
  ScreenOffset = -200;
  UpScr->SetChecked(true);
}

void TForm1::DownScrClick(TObject*) {
  ScreenOffset = 1;
  DownScr->SetChecked(true);
}

void TForm1::ChooseResolution(int index) {
  ResolutionIndex = index;
  ApplyLayout();
  ResolutionItems()[size_t(index)]->SetChecked(true);
  SizeImagesIfDirect();
}

void TForm1::N800600Click(TObject*) { ChooseResolution(0); }
void TForm1::N1024768Click(TObject*) { ChooseResolution(1); }
void TForm1::N1280800Click(TObject*) { ChooseResolution(2); }
void TForm1::N12801024Click(TObject*) { ChooseResolution(3); }

// The filters apply to unturned pictures only: a rotation disables them, and the images
// keep the resampler they last received.
void TForm1::ChooseRotation(int rotation) {
  RotationItems()[size_t(rotation)]->SetChecked(true);
  Filter->SetEnabled(rotation == 0);
  ApplyLayout();
  if (rotation == 0 && NoneFilter->Checked()) SizeImagesForDirectPath();
}

void TForm1::normalClick(TObject*) { ChooseRotation(0); }
void TForm1::RotateLeftClick(TObject*) { ChooseRotation(1); }
void TForm1::RotateRightClick(TObject*) { ChooseRotation(2); }

void TForm1::CursorONClick(TObject*) { CursorON->SetChecked(true); }
void TForm1::CursorOFFClick(TObject*) { CursorOFF->SetChecked(true); }

void TForm1::settingClick(TObject*) {
  if (Form3->ShowModal() != mrOk) return;
  CursorOffsetX = Form3->XCorrection;
  CursorOffsetY = Form3->YCorrection;
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

// Restoring and hiding guard themselves: only a hidden emulator is restored, only an
// attached one that is not hidden is hidden (one attached later is hidden at attach).
void TForm1::AlphaOffClick(TObject*) {
  RestoreEmulatorWindow();
  AlphaOff->SetChecked(true);
}

void TForm1::AlphaOnClick(TObject*) {
  HideEmulatorWindow();
  AlphaOn->SetChecked(true);
}

// Without any border the capture is the screen alone: 7 pixels of the emulator's frame
// are trimmed on every side.
void TForm1::SetBorderFrame(int border) {
  const bool screen_only = border == 2;
  const int width = screen_only ? kScreenWidth : kFrameWidth;
  const int height = screen_only ? kScreenHeight : kFrameHeight;
  CaptureBitmap->SetSize(width, height);
  MyBMP.Bitmap()->SetSize(width, height);
  BorderTrim = screen_only ? kScreenTrim : 0;
}

// The style changes in place: the window keeps its handle and its images.
void TForm1::ChooseBorder(int border) {
  SetBorderStyleInPlace(border == 0 ? TFormBorderStyle::bsSingle : TFormBorderStyle::bsNone);
  BorderItems()[size_t(border)]->SetChecked(true);
  SetBorderFrame(border);
  ApplyLayout();
  SizeImagesIfDirect();
}

void TForm1::haveClick(TObject*) { ChooseBorder(0); }
void TForm1::noneClick(TObject*) { ChooseBorder(1); }
void TForm1::noneallClick(TObject*) { ChooseBorder(2); }

}  // namespace brisklens_soft
