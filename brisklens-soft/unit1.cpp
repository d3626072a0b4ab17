#include "brisklens-soft/unit1.h"

#include "viewer/mouse_binding.h"
#include "classlib/sysutils.h"
#include "brisklens-soft/unit2.h"
#include "brisklens-soft/unit3.h"

namespace brisklens_soft {

using namespace classlib;

TForm1* Form1 = nullptr;

TForm1::TForm1() : TForm(L"TForm1"), SoftMenu(this), MyBMP(this) {
  SetCaption(L"Brisklens for No$gba Soft");
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  Position = TPosition::poScreenCenter;
  ScreenSnap = true;
  SetFont(L"Tahoma", -11);
  MyBMP.SetRepaintMode(raster::rmDirect);
  MyBMP.Bitmap()->SetResamplerClassName("TNearestResampler");
  BindEvents();
  BindCommands();
}

void TForm1::BindEvents() {
  viewer::BindMainFormEvents(*this);
  // The image's events behave as the window's (MyBMPMouseDown and the others).
  viewer::BindMouseHandlers(*this, MyBMP);
}

void TForm1::FormCreate(TObject*) {
  if (FileExists(L".\\MenuSoft.txt")) ReadMenuTextFile();
  ScreenOffset = 1;
  SecondScreenOffset = -202;
  Dragging = false;
  FirstActivation = true;
  Attached = false;
  CheckStartupItems();
  ResolutionIndex = 2;
  SingleSizeTable = viewer::MakeSingleSizeTable();
  DualSizeTable = viewer::MakeDualSizeTable();
  BindCanvasToScreen();
  const viewer::SizeEntry start = DualSizeTable[size_t(ResolutionIndex)];
  SetClientSize(start.width, start.height);
  ScaleX = float(start.width / 256.0);
  ScaleY = float(start.height / 192.0);
  MyBMP.SetBounds(0, 0, ClientWidth(), ClientHeight());
  StartImagePath();
  DirectBitmap = std::make_unique<TBitmap>(ClientWidth(), ClientHeight());
  AllocateCaptionBuffer();
  PassDelay = 15;
  FindRunningEmulator();
}

void TForm1::FormShow(TObject*) {
  Form2->Show();
  const viewer::SizeEntry entry = DualSizeTable[size_t(ResolutionIndex)];
  Form2->SetClientSize(entry.width, entry.height);
  Form2->MyBMP2.SetBounds(0, 0, ClientWidth(), ClientHeight());
  CursorOffsetX = Form3->XCorrection;
  CursorOffsetY = Form3->YCorrection;
  Application->OnIdle = [this](TObject* sender, bool& done) { AppIdle(sender, done); };
}

void TForm1::FormActivate(TObject*) {
  if (!FirstActivation) return;
  SetBounds(Form2->Left(), Form2->Top() + Form2->Height(), Width(), Height());
  FirstActivation = false;
  if (FileExists(L".\\SetSoft.conf")) ReadSettingsFile();
  ApplyLayout();
  SizeImagesIfDirect();
  if (!EmulatorWindow) viewer::StartEmulator();
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  if (closed_) return;
  closed_ = true;
  if (EmulatorHidden) RestoreEmulatorWindow();
  ReleaseEmulatorCanvas();
  CaptureBitmap.reset();
  DirectBitmap.reset();
  WriteSettingsFile();
}

}  // namespace brisklens_soft
