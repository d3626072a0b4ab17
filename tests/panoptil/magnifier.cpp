#include "tests/panoptil/magnifier.h"

#include <cstdio>
#include <sstream>

namespace panoptil_test {

using namespace systest;

namespace {

const int kRefreshRates[] = {100, 60, 50, 40, 30, 25, 20, 15, 10, 8, 6, 5, 4, 3, 2, 1};
const int kZoomTags[] = {20, 21, 22, 30, 31, 32, 40, 41};

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

HWND OpenMenu(DWORD process_id) {
  WindowQuery query;
  query.class_name = L"#32768";
  query.process_id = process_id;
  return FindTopWindow(query);
}

// The top row of the highlighted item of an open menu window (the first row that is mostly
// the selection colour), or -1 when no item is highlighted.
int HighlightedRow(HWND menu) {
  const Pixels pixels = CaptureClient(menu);
  const COLORREF colour = GetSysColor(COLOR_HIGHLIGHT);
  const uint32_t selection = uint32_t(GetRValue(colour)) << 16 |
                             uint32_t(GetGValue(colour)) << 8 | GetBValue(colour);
  for (int y = 0; y < pixels.height; ++y) {
    int count = 0;
    for (int x = 0; x < pixels.width; ++x) count += pixels.at(x, y) == selection;
    if (count * 2 > pixels.width) return y;
  }
  return -1;
}

// Presses a key that moves the highlight of an open menu and waits until the menu has
// moved it, so that every key is seen before the next. Under load Wine now and then drops a
// key (the highlight stays): that key is pressed again.
bool MoveHighlight(HWND menu, WORD key) {
  const int before = HighlightedRow(menu);
  for (int attempt = 0; attempt < 3; ++attempt) {
    PressKey(key);
    if (WaitUntil([&] {
          const int now = HighlightedRow(menu);
          return now >= 0 && now != before;
        }, 3000))
      return true;
    fprintf(stderr, "the menu's highlight stays at row %d: the key is pressed again\n", before);
  }
  return false;
}

}  // namespace

namespace {

// An absolute pointer move through the input queue, in the screen's 0..65535 units,
// rounded so that the system's conversion back gives exactly the pixel.
INPUT AbsoluteMove(POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = LONG((LONGLONG(at.x) * 65536 + width - 1) / width);
  input.mi.dy = LONG((LONGLONG(at.y) * 65536 + height - 1) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

// A button event that carries its place too, so that nothing moved in between counts.
INPUT ButtonAt(POINT at, DWORD button_flag) {
  INPUT input = AbsoluteMove(at);
  input.mi.dwFlags |= button_flag;
  return input;
}

}  // namespace

bool MovePointerThere(POINT at) {
  INPUT move = AbsoluteMove(at);
  SendInput(1, &move, sizeof move);
  return WaitUntil([&] {
    POINT now = {};
    GetCursorPos(&now);
    return now.x == at.x && now.y == at.y;
  });
}

bool ClickThere(POINT at, DWORD down_flag, DWORD up_flag) {
  // Every event carries the place: under Wine a press without one may be reported where
  // the pointer was a moment before, whatever the pointer's position reads.
  if (!MovePointerThere(at)) return false;
  INPUT inputs[] = {ButtonAt(at, down_flag), ButtonAt(at, up_flag)};
  return SendInput(2, inputs, sizeof inputs[0]) == 2;
}

bool LeftClickAt(POINT at) { return ClickThere(at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

bool LeftButtonAt(POINT at, bool down) {
  INPUT input = ButtonAt(at, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  return SendInput(1, &input, sizeof input) == 1;
}

int RefreshIndex(int rate) {
  for (int i = 0; i < int(std::size(kRefreshRates)); ++i)
    if (kRefreshRates[i] == rate) return i;
  return -1;
}

int ZoomIndex(int tag) {
  for (int i = 0; i < int(std::size(kZoomTags)); ++i)
    if (kZoomTags[i] == tag) return i;
  return -1;
}

StandinOptions StandinBesideTheMagnifier() {
  StandinOptions options;
  options.x = 1500;
  options.y = 40;
  return options;
}

bool Magnifier::Start(const TempDir& dir, bool with_emulator) {
  if (with_emulator) {
    emulator_ = Standin::Start(dir, StandinBesideTheMagnifier());
    if (!emulator_.window()) return false;
  }
  process_ = Process::Start(ProgramPath(L"panoptil.exe"), L"", dir.path());
  return process_.valid() && Refind() != nullptr;
}

HWND Magnifier::Refind() {
  WindowQuery query;
  query.class_name = L"TForm1";
  query.process_id = process_.id();
  form_ = WaitForWindow(query);
  return form_;
}

SIZE Magnifier::ClientSize() const {
  RECT client = {};
  GetClientRect(form_, &client);
  return {client.right, client.bottom};
}

std::vector<Box> Magnifier::Boxes() const {
  std::vector<HWND> children;
  EnumChildWindows(form_, CollectChild, LPARAM(&children));
  std::vector<Box> boxes;
  for (HWND child : children) {
    Box box;
    box.window = child;
    GetWindowRect(child, &box.client);
    MapWindowPoints(HWND_DESKTOP, form_, reinterpret_cast<POINT*>(&box.client), 2);
    boxes.push_back(box);
  }
  return boxes;
}

POINT Magnifier::ScreenPoint(int client_x, int client_y) const {
  POINT point = {client_x, client_y};
  ClientToScreen(form_, &point);
  return point;
}

bool Magnifier::WaitForPaintedAt(int client_x, int client_y) const {
  return WaitUntil([&] {
    POINT at = ScreenPoint(client_x, client_y);
    Pixels pixel = CaptureScreen({at.x, at.y, at.x + 1, at.y + 1});
    return !pixel.data.empty() && standin::Decode(pixel.data[0]).region != standin::Region::None;
  });
}

bool Magnifier::ChooseMenuItem(int index, int sub_index) {
  // A choice that fails says where, since the caller only sees false.
  auto failed = [&](const char* what) {
    fprintf(stderr, "choosing menu item %d/%d: %s\n", index, sub_index, what);
    return false;
  };
  if (!BringToFront(form_)) return failed("the form does not come to the front");
  SIZE client = ClientSize();
  if (!WaitForPaintedAt(client.cx / 2, client.cy / 2)) return failed("the form is not painted");
  ClickThere(ScreenPoint(client.cx / 2, client.cy / 2), MOUSEEVENTF_RIGHTDOWN,
             MOUSEEVENTF_RIGHTUP);
  HWND menu = nullptr;
  if (!WaitUntil([&] { return (menu = OpenMenu(process_.id())) != nullptr; }))
    return failed("no menu opens");
  // The menu opens with its corner under the pointer, and a pointer move there (the system
  // makes one up when the windows under the pointer change) selects the item under it or
  // none, whatever the keys had selected. Away from the menu, moves change nothing: a point
  // above (or, near the screen's top, below) the menu, where no submenu opens either.
  const RECT around = WindowRect(menu);
  const int away_y = around.top >= 20 ? around.top - 20 : around.bottom + 20;
  if (!MovePointerThere({around.left + 10, away_y})) {
    POINT at = {};
    GetCursorPos(&at);
    char where[160];
    snprintf(where, sizeof where,
             "the pointer stays at (%ld, %ld), not (%ld, %d) beside the menu at "
             "(%ld, %ld)-(%ld, %ld)",
             at.x, at.y, around.left + 10, away_y, around.left, around.top, around.right,
             around.bottom);
    return failed(where);
  }
  // With nothing selected yet, the first Down selects the first item.
  if (!WaitUntil([&] { return HighlightedRow(menu) < 0; }, 3000))
    return failed("an item is selected before any key");
  for (int i = 0; i <= index; ++i)
    if (!MoveHighlight(menu, VK_DOWN)) return failed("the keys do not reach the menu");
  if (sub_index >= 0) {
    PressKey(VK_RIGHT);  // opens the submenu with its first item selected
    HWND submenu = nullptr;
    if (!WaitUntil([&] { return (submenu = OpenMenu(process_.id())) != menu; }))
      return failed("the submenu does not open");
    if (!WaitUntil([&] { return HighlightedRow(submenu) >= 0; }))
      return failed("the submenu shows no selection");
    for (int i = 0; i < sub_index; ++i)
      if (!MoveHighlight(submenu, VK_DOWN)) return failed("the keys do not reach the submenu");
  }
  PressKey(VK_RETURN);
  if (!WaitUntil([&] { return OpenMenu(process_.id()) == nullptr; }))
    return failed("the menu stays open");
  return true;
}

void Magnifier::TurnWheel(bool up) {
  BringToFront(form_);
  SIZE client = ClientSize();
  WaitForPaintedAt(client.cx / 2, client.cy / 2);
  MovePointerThere(ScreenPoint(client.cx / 2, client.cy / 2));
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = DWORD(up ? WHEEL_DELTA : -WHEEL_DELTA);
  SendInput(1, &input, sizeof input);
}

bool WaitForClientSize(const Magnifier& magnifier, int width, int height) {
  return WaitUntil([&] {
    SIZE size = magnifier.ClientSize();
    return size.cx == width && size.cy == height;
  });
}

int CountWrongBoxPixels(const Pixels& client, const RECT& box, standin::Region screen,
                        int factor, bool rotated, std::string* first_error) {
  int wrong = 0;
  int box_height = box.bottom - box.top;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      int box_x = x - box.left, box_y = y - box.top;
      // Unrotated each screen pixel is a factor x factor square; rotated a quarter turn
      // counter-clockwise, the screen's top edge along the box's left side.
      int expected_x = rotated ? (box_height - 1 - box_y) / factor : box_x / factor;
      int expected_y = rotated ? box_x / factor : box_y / factor;
      standin::PixelInfo info = standin::Decode(client.at(x, y));
      if (info.region == screen && info.x == expected_x && info.y == expected_y) continue;
      if (wrong++ == 0 && first_error) {
        std::ostringstream text;
        text << "box pixel (" << box_x << ", " << box_y << "): region " << int(info.region)
             << " screen pixel (" << info.x << ", " << info.y << "), expected region "
             << int(screen) << " (" << expected_x << ", " << expected_y << ")";
        *first_error = text.str();
      }
    }
  }
  return wrong;
}

std::string WaitForBoxPicture(const Magnifier& magnifier, const RECT& box,
                              standin::Region screen, int factor, bool rotated) {
  std::string error;
  bool right = WaitUntil([&] {
    Pixels client = CaptureClient(magnifier.form());
    if (client.width < box.right || client.height < box.bottom) {
      error = "client capture smaller than the box";
      return false;
    }
    return CountWrongBoxPixels(client, box, screen, factor, rotated, &error) == 0;
  });
  return right ? std::string() : error;
}

}  // namespace panoptil_test
