#include "brisklens-soft/unit1.h"

namespace brisklens_soft {

using viewer::SettingKind;

// A filter, a rotation or a border read from the file that is not the start-up one (item
// 0 of its group) takes its effect as the commands give it.
void TForm1::ApplySetting(SettingKind kind, int index) {
  TViewerForm::ApplySetting(kind, index);
  if (index == 0) return;
  switch (kind) {
    case SettingKind::Filter: SetCaptureFilter(index); break;
    case SettingKind::Rotation: Filter->SetEnabled(false); break;
    case SettingKind::Border: SetBorderFrame(index); break;
    default: break;
  }
}

}  // namespace brisklens_soft
