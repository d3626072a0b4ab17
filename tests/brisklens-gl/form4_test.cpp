// The cursor-offset dialog of the OpenGL viewer: its own measures, start values and label
// font (what "OK" does: the viewer's cursor test).
#include <gtest/gtest.h>

#include "brisklens-gl/unit4.h"

using namespace brisklens_gl;

namespace {

int FontHeight(const classlib::TControl& control) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control.Handle(), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  return font.lfHeight;
}

}  // namespace

TEST(Form4, MeasuresStartValuesAndLabelFont) {
  TForm4 dialog;
  dialog.DoCreate();
  EXPECT_EQ(dialog.ClientWidth(), 352);
  EXPECT_EQ(dialog.ClientHeight(), 69);
  EXPECT_EQ(dialog.ComboBox2.Left(), 192);
  EXPECT_EQ(dialog.Label2.Left(), 270);
  EXPECT_EQ(dialog.Button1.Left(), 136);
  EXPECT_EQ(dialog.ComboBox1.Text() + dialog.ComboBox2.Text(), L"35");
  EXPECT_EQ(dialog.XCorrection * 10 + dialog.YCorrection, 35);
  EXPECT_EQ(FontHeight(dialog.ComboBox1), -11);
  EXPECT_EQ(FontHeight(dialog.Label1), -12);
  EXPECT_EQ(FontHeight(dialog.Label2), -12);
}
