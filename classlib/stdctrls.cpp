#include "classlib/stdctrls.h"

namespace classlib {

namespace {

// The parent form of a control, or null.
TForm* ParentForm(TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return dynamic_cast<TForm*>(control);
}

}  // namespace

// ---- TLabel ----

TLabel::TLabel(TControl* parent, int left, int top, const std::wstring& caption)
    : TControl(parent) {
  CreateSystemControl(L"STATIC", caption, SS_LEFT | SS_NOPREFIX, {left, top, left, top});
}

// The window, gone right after, never paints with the deleted font.
TLabel::~TLabel() {
  if (own_font_) DeleteObject(own_font_);
}

void TLabel::SetFont(const std::wstring& name, int height) {
  HFONT font = CreatePlainFont(name, height);
  if (!font) return;
  HFONT previous = own_font_;
  own_font_ = font;
  if (handle_) {
    SendMessageW(handle_, WM_SETFONT, WPARAM(font), TRUE);
    FitToText();
  }
  if (previous) DeleteObject(previous);
}

HFONT TLabel::Font() const { return own_font_ ? own_font_ : TControl::Font(); }

void TLabel::AfterCreateHandle() {
  TControl::AfterCreateHandle();
  FitToText();
}

void TLabel::SetCaption(const std::wstring& caption) {
  spec_.text = caption;
  if (!handle_) return;
  SetWindowTextW(handle_, caption.c_str());
  FitToText();
}

void TLabel::FitToText() {
  HDC dc = GetDC(handle_);
  HGDIOBJ previous = Font() ? SelectObject(dc, Font()) : nullptr;
  RECT rect = {0, 0, 0, 0};
  DrawTextW(dc, spec_.text.c_str(), int(spec_.text.size()), &rect,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(handle_, dc);
  SetBounds(Left(), Top(), rect.right, rect.bottom);
}

// ---- TButton ----

TButton::TButton(TControl* parent, int left, int top, int width, int height,
                 const std::wstring& caption)
    : TControl(parent) {
  CreateSystemControl(L"BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP,
                      {left, top, left + width, top + height});
}

void TButton::Click() {
  if (OnClick) OnClick(this);
  if (ModalResult != mrNone)
    if (TForm* form = ParentForm(this)) form->SetModalResult(ModalResult);
}

void TButton::Notify(WORD code) {
  if (code == BN_CLICKED) Click();
}

// ---- TComboBox ----

TComboBox::TComboBox(TControl* parent, int left, int top, int width, int height)
    : TControl(parent) {
  spec_.extra_height = 8 * 16;  // room for the dropped-down list
  CreateSystemControl(L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                      {left, top, left + width, top + height});
}

void TComboBox::AfterCreateHandle() {
  TControl::AfterCreateHandle();
  for (const std::wstring& item : items_)
    SendMessageW(handle_, CB_ADDSTRING, 0, LPARAM(item.c_str()));
  SetWindowTextW(handle_, spec_.text.c_str());
}

void TComboBox::BeforeDestroyHandle() { spec_.text = Text(); }

std::wstring TComboBox::Text() const {
  if (!handle_) return spec_.text;
  std::wstring text(size_t(GetWindowTextLengthW(handle_)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(handle_, text.data(), int(text.size()))));
  return text;
}

void TComboBox::SetText(const std::wstring& text) {
  spec_.text = text;
  if (handle_) SetWindowTextW(handle_, text.c_str());
}

void TComboBox::SetItems(const std::vector<std::wstring>& items) {
  items_ = items;
  if (!handle_) return;
  std::wstring text = Text();
  SendMessageW(handle_, CB_RESETCONTENT, 0, 0);
  for (const std::wstring& item : items_)
    SendMessageW(handle_, CB_ADDSTRING, 0, LPARAM(item.c_str()));
  SetWindowTextW(handle_, text.c_str());
}

void TComboBox::Notify(WORD code) {
  if ((code == CBN_EDITCHANGE || code == CBN_SELCHANGE) && OnChange) OnChange(this);
}

}  // namespace classlib
