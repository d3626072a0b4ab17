// The system's standard controls as class-library controls: labels, push buttons and
// editable combo boxes. Each keeps its text (and a combo box its list) in the object, so
// the control survives its form rebuilding its window.
#pragma once

#include <string>
#include <vector>

#include "classlib/controls.h"
#include "classlib/forms.h"

namespace classlib {

// A static text, sized to its text.
class TLabel : public TControl {
 public:
  TLabel(TControl* parent, int left, int top, const std::wstring& caption);
  ~TLabel() override;
  std::wstring Caption() const { return spec_.text; }
  void SetCaption(const std::wstring& caption);
  // A font of the label's own in place of its form's; the label fits itself to it.
  void SetFont(const std::wstring& name, int height);
  HFONT Font() const override;

 protected:
  void AfterCreateHandle() override;

 private:
  void FitToText();
  HFONT own_font_ = nullptr;
};

class TButton : public TControl {
 public:
  TButton(TControl* parent, int left, int top, int width, int height,
          const std::wstring& caption);
  std::wstring Caption() const { return spec_.text; }
  // Clicking the button gives its form this modal result (mrNone: nothing) after OnClick.
  TModalResult ModalResult = mrNone;
  TNotifyEvent OnClick;
  // Clicks the button as the user would.
  void Click();

 protected:
  void Notify(WORD code) override;
};

// An editable combo box (an edit field with a drop-down list).
class TComboBox : public TControl {
 public:
  TComboBox(TControl* parent, int left, int top, int width, int height);
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  const std::vector<std::wstring>& Items() const { return items_; }
  void SetItems(const std::vector<std::wstring>& items);
  TNotifyEvent OnChange;

 protected:
  void AfterCreateHandle() override;
  void BeforeDestroyHandle() override;
  void Notify(WORD code) override;

 private:
  std::vector<std::wstring> items_;
};

}  // namespace classlib
