// Maps of ordinal values: TIntegerMap, a width x height grid of signed 32-bit cells with
// the size handling of TCustomMap. The kernel resampler keeps its weight table in one.
#pragma once

#include "raster/Raster.h"

#include <cstdint>
#include <vector>

namespace raster {

class TIntegerMap : public TCustomMap {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }

  // True while the map holds no cells.
  bool IsEmpty() const override { return cells_.empty(); }
  // The cell (X, Y) at index X + Y x Width, without a range check: callers stay inside.
  int32_t* CellPtr(int32_t X, int32_t Y) { return cells_.data() + X + size_t(Y) * size_t(Width()); }
  const int32_t* CellPtr(int32_t X, int32_t Y) const {
    return cells_.data() + X + size_t(Y) * size_t(Width());
  }

 protected:
  // Keeps the leading cells in linear order (positions move when the width changes); new
  // cells are 0.
  void ResizeStorage(int32_t& Width, int32_t& Height, int32_t NewWidth,
                     int32_t NewHeight) override;

 private:
  std::vector<int32_t> cells_;
};

}  // namespace raster
