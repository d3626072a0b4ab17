// Records the events a TBitmap32 fires, in order, as short texts that a test compares with
// the expected sequence:
//   "handle"                      OnHandleChanged
//   "area l,t,r,b info"           OnAreaChanged (info in hex)
//   "change"                      OnChange
//   "resize WxH"                  OnResize, with the size at that moment
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "raster/Raster.h"

namespace raster {

class EventLog {
 public:
  EventLog() = default;
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;
  // A bitmap that outlives its log fires no more into it.
  ~EventLog() {
    if (!watched_) return;
    watched_->OnHandleChanged = nullptr;
    watched_->OnAreaChanged = nullptr;
    watched_->OnChange = nullptr;
    watched_->OnResize = nullptr;
  }

  void Watch(TBitmap32& bitmap) {
    watched_ = &bitmap;
    bitmap.OnHandleChanged = [this](TObject*) { events.push_back("handle"); };
    bitmap.OnAreaChanged = [this](TObject*, const TRect& area, uint32_t info) {
      events.push_back(AreaText(area, info));
    };
    bitmap.OnChange = [this](TObject*) { events.push_back("change"); };
    bitmap.OnResize = [this, &bitmap](TObject*) {
      events.push_back("resize " + std::to_string(bitmap.Width()) + "x" +
                       std::to_string(bitmap.Height()));
    };
  }

  static std::string AreaText(const TRect& area, uint32_t info) {
    char text[80];
    std::snprintf(text, sizeof text, "area %ld,%ld,%ld,%ld %08x", area.left, area.top,
                  area.right, area.bottom, info);
    return text;
  }
  static std::string Bounds(int width, int height) {
    return AreaText(RectOf(0, 0, width, height), AreaInfoRect);
  }

  // For a log that outlives the bitmap it watched.
  void Forget() { watched_ = nullptr; }

  // Returns what was recorded and starts a new record.
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
  }

  std::vector<std::string> events;

 private:
  TBitmap32* watched_ = nullptr;
};

}  // namespace raster
