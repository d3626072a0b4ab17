#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"
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

void TForm1::BindOwnCommands() {
  auto bind = [this](TMenuItem* item, void (TForm1::*handler)(TObject*)) {
    viewer::BindClick(item, *this, handler);
  };
  bind(NoneFilter, &TForm1::NoneFilterClick);
  bind(FastLinear, &TForm1::FastLinearClick);
  bind(ClearLinear, &TForm1::ClearLinearClick);
  bind(normal, &TForm1::normalClick);
  bind(setting, &TForm1::settingClick);
  bind(AlphaOff, &TForm1::AlphaOffClick);
  bind(AlphaOn, &TForm1::AlphaOnClick);
}

void TForm1::SizeImagesIfDirect() {
  if (DirectPathChecked()) SizeImagesForDirectPath();
}

void TForm1::SizeImagesToClient() {
  MyBMP.SetBounds(0, 0, ClientWidth(), ClientHeight());
  Form2->MyBMP2.SetBounds(0, 0, ClientWidth(), ClientHeight());
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

// The filters apply to unturned pictures only: a rotation disables them, and the images
// keep the resampler they last received.
void TForm1::RotationChosen(int rotation) { Filter->SetEnabled(rotation == 0); }

void TForm1::normalClick(TObject*) { ChooseRotation(0); }
void TForm1::settingClick(TObject*) { ChooseCursorOffsets(); }
void TForm1::AlphaOffClick(TObject*) { ChooseEmulatorHidden(false); }
void TForm1::AlphaOnClick(TObject*) { ChooseEmulatorHidden(true); }

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

void TForm1::BorderChosen(int border) { SetBorderFrame(border); }

}  // namespace brisklens_soft
