#include "brisklens-gl/unit1.h"

namespace brisklens_gl {

using viewer::SettingKind;

// The rotation read from the file chooses the preset; a border mode other than the
// start-up one takes the rotation read before it into the preset.
void TForm1::ApplySetting(SettingKind kind, int index) {
  TViewerForm::ApplySetting(kind, index);
  if (kind == SettingKind::Rotation) PresetIndex = index;
  if (kind == SettingKind::Border && index != 0) BorderChosen(index);
}

}  // namespace brisklens_gl
