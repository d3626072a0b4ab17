#include "brisklens-gl/unit3.h"

namespace brisklens_gl {

using namespace classlib;

TForm3* Form3 = nullptr;

TForm3::TForm3() : TSecondWindow(L"TForm3") {
  SetCaption(L"Brisklens for No$gba");
  SetFont(L"Tahoma", -11);
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnShow = [this](TObject* sender) { FormShow(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
}

// The context of a window still shown when the program ends goes with it.
TForm3::~TForm3() { EndRendering(Handle()); }

// Its camera presets and texture sets are its surface's from the start.
void TForm3::FormCreate(TObject*) { SetClientSize(512, 384); }

// The second window clears to opaque black.
void TForm3::FormShow(TObject*) { StartRendering(Handle(), 1.0f, ClientWidth(), ClientHeight()); }

void TForm3::FormClose(TObject*, TCloseAction&) { EndRendering(Handle()); }

void TForm3::WndProc(TMessage& message) {
  if (HandleSurfacePaint(Handle(), message)) return;
  TSecondWindow::WndProc(message);
}

}  // namespace brisklens_gl
