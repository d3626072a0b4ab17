#include "tools/systest/magnifier.h"

#include <algorithm>
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

// Moves the highlight of an open menu down to item `index` (separators are skipped) with
// the Down key, each key seen before the next. Under load Wine now and then drops a key
// (the highlight stays, and the key is pressed again), and a pointer move at the menu's
// corner (the system makes one up when the windows under the pointer change) takes the
// highlight away (the next Down starts from the first item again). The rows of the items
// reached so far tell which item is highlighted. `first_highlighted`: the menu opens with
// its first item highlighted (a submenu opened with the Right key).
bool HighlightItem(HWND menu, int index, bool first_highlighted) {
  std::vector<int> rows;  // the top row of each item reached so far
  int current = -1;
  if (first_highlighted) {
    int row = -1;
    if (!WaitUntil([&] { return (row = HighlightedRow(menu)) >= 0; })) return false;
    rows.push_back(row);
    current = 0;
  }
  for (int keys = 0; current != index; ++keys) {
    if (keys == 2 * index + 4) return false;
    const int before = HighlightedRow(menu);
    if (before < 0) current = -1;
    PressKey(VK_DOWN);
    int now = -1;
    if (!WaitUntil([&] { return (now = HighlightedRow(menu)) >= 0 && now != before; }, 5000)) {
      fprintf(stderr, "the menu's highlight stays at row %d: the key is pressed again\n", before);
      continue;
    }
    const auto seen = std::find(rows.begin(), rows.end(), now);
    if (seen != rows.end()) {
      current = int(seen - rows.begin());
    } else if (current == int(rows.size()) - 1 && (rows.empty() || now > rows.back())) {
      rows.push_back(now);
      current = int(rows.size()) - 1;
    } else {
      fprintf(stderr, "the menu's highlight went to row %d, after no item seen\n", now);
      return false;
    }
  }
  return true;
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

std::string Magnifier::TryMenuItem(int index, int sub_index) {
  if (!BringToFront(form_)) return "the form does not come to the front";
  SIZE client = ClientSize();
  if (!WaitForPaintedAt(client.cx / 2, client.cy / 2)) return "the form is not painted";
  ClickThere(ScreenPoint(client.cx / 2, client.cy / 2), MOUSEEVENTF_RIGHTDOWN,
             MOUSEEVENTF_RIGHTUP);
  HWND menu = nullptr;
  if (!WaitUntil([&] { return (menu = OpenMenu(process_.id())) != nullptr; }))
    return "no menu opens";
  // The pointer rests on the menu's corner, where a pointer move takes the highlight away;
  // a point above (or, near the screen's top, below) the menu is out of the way of every
  // submenu too. Under Wine the pointer sometimes cannot be moved while the menu is open:
  // the keys then go on from the corner.
  const RECT around = WindowRect(menu);
  INPUT away = AbsoluteMove({around.left + 10, around.top >= 20 ? around.top - 20
                                                                 : around.bottom + 20});
  SendInput(1, &away, sizeof away);
  if (!HighlightItem(menu, index, false)) return "the highlight does not reach the item";
  if (sub_index >= 0) {
    PressKey(VK_RIGHT);  // opens the submenu with its first item highlighted
    HWND submenu = nullptr;
    if (!WaitUntil([&] { return (submenu = OpenMenu(process_.id())) != menu; }))
      return "the submenu does not open";
    if (!HighlightItem(submenu, sub_index, true))
      return "the highlight does not reach the submenu's item";
  }
  PressKey(VK_RETURN);
  if (!WaitUntil([&] { return OpenMenu(process_.id()) == nullptr; }))
    return "the menu stays open";
  return "";
}

bool Magnifier::ChooseMenuItem(int index, int sub_index) {
  for (int attempt = 1;; ++attempt) {
    const std::string failure = TryMenuItem(index, sub_index);
    if (failure.empty()) return true;
    fprintf(stderr, "choosing menu item %d/%d: %s\n", index, sub_index, failure.c_str());
    // A menu still open has chosen nothing yet: it is closed, and the choice made again.
    if (!OpenMenu(process_.id()) || attempt == 3) return false;
    for (int key = 0; key < 4; ++key) {
      const HWND top = OpenMenu(process_.id());  // Escape closes the topmost menu
      if (!top) break;
      PressKey(VK_ESCAPE);
      WaitUntil([&] { return OpenMenu(process_.id()) != top; }, 2000);
    }
    if (OpenMenu(process_.id())) return false;
  }
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
