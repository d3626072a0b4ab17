// Integer routines and the plain FillDWords.
#include "raster/Raster_LowLevel.h"

#include <cstring>

namespace raster {

void FillDWords_Plain(uint32_t* Dest, int32_t Count, uint32_t Value) {
  for (int32_t i = 0; i < Count; ++i) Dest[i] = Value;
}

TFillDWordsProc FillDWords = FillDWords_Plain;

// Cell by cell in ascending order: a destination that starts inside the source, after its
// first cell, copies again what it has just written. Every other case is a plain move, for
// which the C library has the fastest copy.
void MoveDWords(const uint32_t* Source, uint32_t* Dest, int32_t Count) {
  if (Source == Dest || Count <= 0) return;
  const uintptr_t from = reinterpret_cast<uintptr_t>(Source), to = reinterpret_cast<uintptr_t>(Dest);
  if (to > from && to - from < uintptr_t(Count) * sizeof(uint32_t)) {
    for (int32_t i = 0; i < Count; ++i) Dest[i] = Source[i];
    return;
  }
  std::memmove(Dest, Source, size_t(Count) * sizeof(uint32_t));
}

void SwapInts(int32_t& A, int32_t& B) {
  const int32_t a = A;
  A = B;
  B = a;
}

void OrderInts(int32_t& A, int32_t& B) {
  if (A > B) SwapInts(A, B);
}

int32_t ClampZeroTo(int32_t Value, int32_t Max) {
  if (Value > Max) return Max;
  if (Value < 0) return 0;
  return Value;
}

int32_t ClampRange(int32_t Value, int32_t Min, int32_t Max) {
  if (Value < Min) Value = Min;
  if (Value > Max) Value = Max;
  return Value;
}

int32_t WrapRange(int32_t Value, int32_t Min, int32_t Max) {
  const int32_t range = Max - Min + 1;
  if (Value < Min) return Max + (Value - Max) % range;
  return Min + (Value - Min) % range;
}

int32_t MirrorRange(int32_t Value, int32_t Min, int32_t Max) {
  const int32_t range = Max - Min + 1;
  const int32_t base = Value < Min ? Max : Min;
  int32_t remainder = 0;
  const int32_t periods = DivRem(Value - base, range, remainder);
  int32_t result = base + remainder;
  if (periods & 1) result = Min + Max - result;
  return result;
}

int32_t DivRem(int32_t Dividend, int32_t Divisor, int32_t& Remainder) {
  Remainder = Dividend % Divisor;
  return Dividend / Divisor;
}

const TWrapProc WrapProcs[3] = {ClampRange, WrapRange, MirrorRange};

}  // namespace raster
