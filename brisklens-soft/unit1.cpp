#include "brisklens-soft/unit1.h"

#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"
#include "classlib/sysutils.h"
#include "viewer/mouse_binding.h"

namespace brisklens_soft {

using namespace classlib;

TForm1* Form1 = nullptr;

namespace {

// A position line is a decimal integer (the class library's conversion); any other text
// is no position.
std::optional<int> ConvertPosition(const std::wstring& line) {
  try {
    return StrToInt(line);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

const viewer::TViewerDesign kDesign = {
    L"Brisklens for No$gba Soft", L"Tahoma", L".\\SetSoft.conf", L".\\MenuSoft.txt",
    ConvertPosition, {1, 15, 20, 25, 33, 40, 50},
    viewer::kTouchFrameOffset, viewer::kTopFrameOffset, viewer::kDualMainFrameOffset,
    /*press_correction=*/true, []() -> viewer::TSecondWindow& { return *Form2; },
    []() -> viewer::TCursorOffsetDialog& { return *Form3; }};

}  // namespace

TForm1::TForm1() : TViewerForm(L"TForm1", kDesign), SoftMenu(this), MyBMP(this) {
  MyBMP.SetRepaintMode(raster::rmDirect);
  MyBMP.Bitmap()->SetResamplerClassName("TNearestResampler");
  // The image's events behave as the window's (MyBMPMouseDown and the others).
  viewer::BindMouseHandlers(*this, MyBMP);
  BindCommands();
  BindOwnCommands();
}

void TForm1::CreatePictureResources() {
  MyBMP.SetBounds(0, 0, ClientWidth(), ClientHeight());
  StartImagePath();
  DirectBitmap = std::make_unique<TBitmap>(ClientWidth(), ClientHeight());
}

void TForm1::StartPictures() {
  const viewer::SizeEntry entry = DualSizeTable[size_t(ResolutionIndex)];
  Form2->SetClientSize(entry.width, entry.height);
  Form2->MyBMP2.SetBounds(0, 0, ClientWidth(), ClientHeight());
}

void TForm1::FreePictureResources() {
  CaptureBitmap.reset();
  DirectBitmap.reset();
}

}  // namespace brisklens_soft
