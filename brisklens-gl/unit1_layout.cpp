#include "brisklens-gl/unit1.h"
#include "brisklens-gl/unit3.h"

namespace brisklens_gl {

using namespace classlib;

void TForm1::ApplyLayout() {
  viewer::LayoutTargets targets = {*this, *Form3, nullptr, nullptr, nullptr};
  viewer::ApplyLayout(
      CheckedLayout(ResolutionIndex), SingleSizeTable, DualSizeTable, targets, DockSide, ScaleX,
      ScaleY, [this](const viewer::LayoutPlan& plan) { SetupProjections(plan.second_sized); });
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

void TForm1::WndProc(TMessage& message) {
  if (HandleSurfacePaint(Handle(), message)) return;
  TViewerForm::WndProc(message);
}

}  // namespace brisklens_gl
