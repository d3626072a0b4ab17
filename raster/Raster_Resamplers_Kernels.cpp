// The filter kernels of the resampler unit. Each operation rounds to single precision: the
// library evaluates kernels inside TSinglePrecision, and every result of a transcendental
// function is rounded to single through memory before it is used, so that both builds
// give the same weights.
#include "raster/Raster_Resamplers.h"

#include <cmath>

namespace raster {
namespace {

constexpr double kPi = 3.14159265358979323846;

// v rounded to single precision also where the compiler would keep it wider (x87).
float Single(double v) {
  volatile float rounded = float(v);
  return rounded;
}

float Sin(float v) { return Single(std::sin(double(v))); }
float Cos(float v) { return Single(std::cos(double(v))); }
// pi x, rounded to single precision.
float PiTimes(float x) { return Single(double(x) * kPi); }

template <class Kernel>
TCustomKernel* NewKernel() {
  return new Kernel;
}

// A published single-precision parameter of a kernel class K.
template <class K, float (K::*Get)() const, void (K::*Set)(float)>
TPropInfo FloatParameter(const char* name) {
  return {name, tkFloat,
          [](const TPersistent& o) -> TPropertyValue {
            return double((static_cast<const K&>(o).*Get)());
          },
          [](TPersistent& o, const TPropertyValue& v) {
            (static_cast<K&>(o).*Set)(float(FloatOf(v)));
          },
          nullptr};
}

bool IsNumber(float v) { return v == v; }

}  // namespace

// ---- the base ---------------------------------------------------------------------------

const TClassInfo TCustomKernel::ClassInfo{"TCustomKernel", &TPersistent::ClassInfo, {}};

void TCustomKernel::AssignTo(TPersistent* Dest) {
  if (auto* kernel = dynamic_cast<TCustomKernel*>(Dest)) {
    CopyPublishedProperties(*this, *kernel, tkProperties);
  } else {
    TPersistent::AssignTo(Dest);
  }
}

void TCustomKernel::Changed() {
  if (Observer != nullptr) Observer->Changed();
}

void TCustomKernel::SetParameter(float& Field, float Value) {
  // A parameter that is not a number would make every weight undefined.
  if (!IsNumber(Value) || Field == Value) return;
  Field = Value;
  Changed();
}

float SinC(float X) {
  if (X == 0.0f) return 1.0f;
  const float pi_x = PiTimes(X);
  return Sin(pi_x) / pi_x;
}

// ---- the simple kernels -------------------------------------------------------------------

const TKernelClassInfo TBoxKernel::ClassInfo{
    {"TBoxKernel", &TCustomKernel::ClassInfo, {}}, NewKernel<TBoxKernel>};

float TBoxKernel::Filter(float X) const { return X >= -0.5f && X <= 0.5f ? 1.0f : 0.0f; }

const TKernelClassInfo TLinearKernel::ClassInfo{
    {"TLinearKernel", &TCustomKernel::ClassInfo, {}}, NewKernel<TLinearKernel>};

float TLinearKernel::Filter(float X) const {
  if (X < -1.0f) return 0.0f;
  if (X < 0.0f) return 1.0f + X;
  if (X < 1.0f) return 1.0f - X;
  return 0.0f;
}

const TKernelClassInfo TCosineKernel::ClassInfo{
    {"TCosineKernel", &TCustomKernel::ClassInfo, {}}, NewKernel<TCosineKernel>};

float TCosineKernel::Filter(float X) const {
  if (std::fabs(X) >= 1.0f) return 0.0f;
  return (Cos(PiTimes(X)) + 1.0f) / 2.0f;
}

const TKernelClassInfo TSplineKernel::ClassInfo{
    {"TSplineKernel", &TCustomKernel::ClassInfo, {}}, NewKernel<TSplineKernel>};

float TSplineKernel::Filter(float X) const {
  const float t = std::fabs(X);
  if (t < 1.0f) return t * t * t / 2.0f - t * t + 2.0f / 3.0f;
  if (t < 2.0f) {
    const float u = 2.0f - t;
    return u * u * u / 6.0f;
  }
  return 0.0f;
}

const TKernelClassInfo TMitchellKernel::ClassInfo{
    {"TMitchellKernel", &TCustomKernel::ClassInfo, {}}, NewKernel<TMitchellKernel>};

float TMitchellKernel::Filter(float X) const {
  const float t = std::fabs(X);
  const float t2 = t * t, t3 = t2 * t;
  if (t < 1.0f) return (7.0f * t3 - 12.0f * t2 + 16.0f / 3.0f) / 6.0f;
  if (t < 2.0f) return (-7.0f / 3.0f * t3 + 12.0f * t2 - 20.0f * t + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

const TKernelClassInfo TCubicKernel::ClassInfo{
    {"TCubicKernel",
     &TCustomKernel::ClassInfo,
     {FloatParameter<TCubicKernel, &TCubicKernel::Coeff, &TCubicKernel::SetCoeff>("Coeff")}},
    NewKernel<TCubicKernel>};

float TCubicKernel::Filter(float X) const {
  const float t = std::fabs(X), a = coeff_;
  const float t2 = t * t, t3 = t2 * t;
  if (t < 1.0f) return (a + 2.0f) * t3 - (a + 3.0f) * t2 + 1.0f;
  if (t < 2.0f) return a * (t3 - 5.0f * t2 + 8.0f * t - 4.0f);
  return 0.0f;
}

const TKernelClassInfo THermiteKernel::ClassInfo{
    {"THermiteKernel",
     &TCustomKernel::ClassInfo,
     {FloatParameter<THermiteKernel, &THermiteKernel::Bias, &THermiteKernel::SetBias>("Bias"),
      FloatParameter<THermiteKernel, &THermiteKernel::Tension, &THermiteKernel::SetTension>(
          "Tension")}},
    NewKernel<THermiteKernel>};

// The Hermite basis between the integer below X and the one above, with the tangents set
// by Bias and Tension.
float THermiteKernel::Filter(float X) const {
  const float tension = (1.0f - tension_) * 0.5f;
  const float b1 = (1.0f + bias_) * tension;
  const float b0 = (1.0f - bias_) * tension;
  const float z_float = std::floor(X);
  if (!(z_float >= -2.0f && z_float <= 1.0f)) return 0.0f;  // also not a number
  const int z = int(z_float);
  const float t = std::fabs(z_float - X);
  const float t2 = t * t, t3 = t2 * t;
  const float m0 = t3 - 2.0f * t2 + t;
  const float m1 = t3 - t2;
  const float h = -2.0f * t3 + 3.0f * t2;
  switch (z) {
    case -2: return m1 * b0;
    case -1: return m0 * b0 + h + (b1 - b0) * m1;
    case 0: return (b1 - b0) * m0 + (1.0f - h) - m1 * b1;
    default: return -m0 * b1;  // z = 1
  }
}

// ---- the windowed sincs -------------------------------------------------------------------

const TClassInfo TWindowedSincKernel::ClassInfo{
    "TWindowedSincKernel",
    &TCustomKernel::ClassInfo,
    {FloatParameter<TWindowedSincKernel, &TWindowedSincKernel::Width,
                    &TWindowedSincKernel::SetWidth>("Width")}};

float TWindowedSincKernel::Filter(float X) const {
  X = std::fabs(X);
  if (!(X < width_)) return 0.0f;
  return SinC(X) * Window(X);
}

void TWindowedSincKernel::SetWidth(float Value) {
  if (!IsNumber(Value)) return;
  SetParameter(width_, std::fmin(std::fmax(Value, MinimumKernelWidth), MaximumKernelWidth));
}

const TKernelClassInfo TLanczosKernel::ClassInfo{
    {"TLanczosKernel", &TWindowedSincKernel::ClassInfo, {}}, NewKernel<TLanczosKernel>};

float TLanczosKernel::Window(float X) const { return SinC(X / Width()); }

const TKernelClassInfo TGaussianKernel::ClassInfo{
    {"TGaussianKernel",
     &TWindowedSincKernel::ClassInfo,
     {FloatParameter<TGaussianKernel, &TGaussianKernel::Sigma, &TGaussianKernel::SetSigma>(
         "Sigma")}},
    NewKernel<TGaussianKernel>};

float TGaussianKernel::Window(float X) const {
  return Single(std::exp2(double(-(X * X) / sigma_)));
}

void TGaussianKernel::SetSigma(float Value) {
  if (Value != 0.0f) SetParameter(sigma_, Value);
}

const TKernelClassInfo TBlackmanKernel::ClassInfo{
    {"TBlackmanKernel", &TWindowedSincKernel::ClassInfo, {}}, NewKernel<TBlackmanKernel>};

float TBlackmanKernel::Window(float X) const {
  const float pi_x = PiTimes(X) / Width();
  return 0.42f + 0.5f * Cos(pi_x) + 0.08f * Cos(2.0f * pi_x);
}

const TKernelClassInfo THannKernel::ClassInfo{
    {"THannKernel", &TWindowedSincKernel::ClassInfo, {}}, NewKernel<THannKernel>};

float THannKernel::Window(float X) const { return 0.5f + 0.5f * Cos(PiTimes(X) / Width()); }

const TKernelClassInfo THammingKernel::ClassInfo{
    {"THammingKernel", &TWindowedSincKernel::ClassInfo, {}}, NewKernel<THammingKernel>};

float THammingKernel::Window(float X) const { return 0.54f + 0.46f * Cos(PiTimes(X) / Width()); }

// ---- Sinsh --------------------------------------------------------------------------------

const TKernelClassInfo TSinshKernel::ClassInfo{
    {"TSinshKernel",
     &TCustomKernel::ClassInfo,
     {FloatParameter<TSinshKernel, &TSinshKernel::Width, &TSinshKernel::SetWidth>("Width"),
      FloatParameter<TSinshKernel, &TSinshKernel::Coeff, &TSinshKernel::SetCoeff>("Coeff")}},
    NewKernel<TSinshKernel>};

float TSinshKernel::Filter(float X) const {
  if (X == 0.0f) return 1.0f;
  const float denominator = Single(std::sinh(double(PiTimes(coeff_) * X)));
  return Sin(PiTimes(X)) * coeff_ / denominator;
}

void TSinshKernel::SetWidth(float Value) {
  if (!IsNumber(Value)) return;
  SetParameter(width_, std::fmin(std::fmax(Value, MinimumKernelWidth), MaximumKernelWidth));
}

void TSinshKernel::SetCoeff(float Value) {
  if (Value != 0.0f) SetParameter(coeff_, Value);
}

}  // namespace raster
