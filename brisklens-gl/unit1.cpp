#include "brisklens-gl/unit1.h"

#include "brisklens-gl/unit3.h"
#include "classlib/sysutils.h"
#include "viewer/mouse_binding.h"

namespace brisklens_gl {

using namespace classlib;

TForm1* Form1 = nullptr;

namespace {

// The capture covers emulator client rows 0..481: the lower block ends at row 481.
constexpr int kCaptureWidth = kTextureSize;
constexpr int kCaptureHeight = 482;

}  // namespace

TForm1::TForm1() : TForm(L"TForm1"), GlMenu(this) {
  SetCaption(L"Brisklens for No$gba");
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  Position = TPosition::poScreenCenter;
  ScreenSnap = true;
  SetFont(L"Times New Roman", -11);
  viewer::BindMainFormEvents(*this);
  BindCommands();
}

void TForm1::FormCreate(TObject*) {
  if (FileExists(L".\\Menu.txt")) ReadMenuTextFile();
  SingleSizeTable = viewer::MakeSingleSizeTable();
  DualSizeTable = viewer::MakeDualSizeTable();
  CameraPreset = MakeCameraPresets();
  TexCoordSet = MakeTexCoordSets();
  PresetIndex = 0;
  Dragging = false;
  FirstActivation = true;
  Attached = false;
  DockSide = viewer::kDockTop;
  CheckStartupItems();
  BindCanvasToScreen();
  CaptureBitmap = std::make_unique<raster::TBitmap32>();
  CaptureBitmap->SetWidth(kCaptureWidth);
  CaptureBitmap->SetHeight(kCaptureHeight);
  ResolutionIndex = 2;
  const viewer::SizeEntry start = DualSizeTable[size_t(ResolutionIndex)];
  SetClientHeight(start.height);
  SetClientWidth(start.width);
  ScaleX = float(start.width / 256.0);
  ScaleY = float(start.height / 192.0);
  AllocateCaptionBuffer();
  CaptureLastRow = ScreenOffset + 481;
  CursorOffsetX = 3;
  CursorOffsetY = 5;
  PassDelay = 20;
  FindRunningEmulator();
}

// The second window shows first and makes its context; the main window's context is made
// last, so it is the current one when the passes begin.
void TForm1::FormShow(TObject*) {
  Form3->Show();
  StartRendering(Handle(), 0.0f, ClientWidth(), ClientHeight());
  Application->OnIdle = [this](TObject* sender, bool& done) { AppIdle(sender, done); };
}

void TForm1::FormActivate(TObject*) {
  if (!FirstActivation) return;
  SetBounds(Form3->Left(), Form3->Top() + Form3->Height(), Width(), Height());
  FirstActivation = false;
  if (FileExists(L".\\Set.conf")) ReadSettingsFile();
  ApplyLayout();
  if (!EmulatorWindow) viewer::StartEmulator();
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  if (closed_) return;
  closed_ = true;
  if (EmulatorHidden) RestoreEmulatorWindow();
  CaptureBitmap.reset();
  ReleaseEmulatorCanvas();
  EndRendering(Handle());
  WriteSettingsFile();
}

}  // namespace brisklens_gl
