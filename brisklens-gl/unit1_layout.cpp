#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::ApplyLayout() {
  viewer::LayoutChoice choice;
  choice.double_monitor = DoubleMon->Checked();
  choice.double_screen = !SingleScr->Checked();
  choice.rotated = PresetIsTurned(PresetIndex);
  choice.resolution_index = ResolutionIndex;
  viewer::LayoutTargets targets = {*this, *Form3, nullptr, nullptr, nullptr};
  viewer::ApplyLayout(
      choice, SingleSizeTable, DualSizeTable, targets, DockSide, ScaleX, ScaleY,
      [this](const viewer::LayoutPlan& plan) { SetupProjections(plan.second_sized); });
}

// One screen: the main window's context is made current for its projection. Two: the main
// window's context is current already; the second window's is current only for its own.
void TForm1::SetupProjections(bool second_sized) {
  if (!second_sized) {
    ActivateRendering();
    SetupProjection(ClientWidth(), ClientHeight());
    return;
  }
  SetupProjection(ClientWidth(), ClientHeight());
  Form3->ActivateRendering();
  SetupProjection(Form3->ClientWidth(), Form3->ClientHeight());
  ActivateRendering();
}

void TForm1::DockSecondWindow() { viewer::DockSecondWindow(*this, *Form3, DockSide); }

void TForm1::WMMove(TMessage& message) {
  // The second window follows to where the main window is being moved (the rectangle of
  // WM_MOVING), so that it does not trail one step behind.
  viewer::DockSecondWindowTo(*reinterpret_cast<const RECT*>(message.LParam), *Form3, DockSide);
  message.Result = TRUE;
}

void TForm1::WndProc(TMessage& message) {
  if (message.Msg == WM_MOVING) {
    WMMove(message);
    return;
  }
  if (HandleSurfacePaint(Handle(), message)) return;
  TForm::WndProc(message);
}

}  // namespace brisklens_gl
