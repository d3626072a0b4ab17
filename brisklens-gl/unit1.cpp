#include "brisklens-gl/unit1.h"

#include "brisklens-gl/str_to_int_val.h"
#include "brisklens-gl/unit3.h"
#include "brisklens-gl/unit4.h"

namespace brisklens_gl {

using namespace classlib;

TForm1* Form1 = nullptr;

namespace {

// A position line is always a number: what StrToIntVal makes of it.
std::optional<int> ConvertPosition(const std::wstring& line) { return StrToIntVal(line); }

const viewer::TViewerDesign kDesign = {
    L"Brisklens for No$gba", L"Times New Roman", L".\\Set.conf", L".\\Menu.txt",
    ConvertPosition, {10, 20, 25, 33, 50, 70, 80},
    kLowerScreenOffset, kUpperScreenOffset, kLowerScreenOffset, /*press_correction=*/false,
    []() -> viewer::TSecondWindow& { return *Form3; },
    []() -> viewer::TCursorOffsetDialog& { return *Form4; }};

}  // namespace

TForm1::TForm1() : TViewerForm(L"TForm1", kDesign), GlMenu(this) {
  BindCommands();
  BindOwnCommands();
}

// The capture covers emulator client rows 0..481: the lower block ends at row 481.
void TForm1::CreatePictureResources() {
  CaptureBitmap = std::make_unique<raster::TBitmap32>();
  CaptureBitmap->SetWidth(kTextureSize);
  CaptureBitmap->SetHeight(kLowerBlockLastRow + 1);
}

// The second window has shown first and made its context; the main window's is made now,
// so it is the current one when the passes begin.
void TForm1::StartPictures() { StartRendering(Handle(), 0.0f, ClientWidth(), ClientHeight()); }

void TForm1::FreePictureResources() {
  CaptureBitmap.reset();
  EndRendering(Handle());
}

}  // namespace brisklens_gl
