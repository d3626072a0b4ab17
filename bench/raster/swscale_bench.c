/* The same sizes through Debian's libswscale, natively on the host, as a second comparison
 * point for resample_bench: Lanczos (the default parameter: 3 taps), bilinear and point
 * sampling, BGRA in and out (the bytes of our 32-bit pixels), one sws_scale per frame with
 * the context made once. Same output lines as resample_bench.
 *   swscale_bench [seconds per case, default 1] */
#include <libswscale/swscale.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double seconds_per_case = 1.0;

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1e3 + (double)t.tv_nsec * 1e-6;
}

static int ascending(const void *a, const void *b) {
  const double d = *(const double *)a - *(const double *)b;
  return d < 0 ? -1 : d > 0;
}

struct scaling {
  struct SwsContext *context;
  const uint8_t *src[1];
  uint8_t *dst[1];
  int src_stride[1], dst_stride[1];
  int src_height;
};

static void scale(const struct scaling *s) {
  sws_scale(s->context, s->src, s->src_stride, 0, s->src_height, s->dst, s->dst_stride);
}

/* One frame before timing (tables and pages settle), then timed frames until the set time
 * is up, at least 20; prints the median and the 95th percentile. */
static void time_frames(const char *name, const struct scaling *s) {
  enum { kMaxFrames = 100000 };
  static double frame_ms[kMaxFrames];
  size_t frames = 0;
  scale(s);
  for (const double end = now_ms() + seconds_per_case * 1e3;
       frames < kMaxFrames && (frames < 20 || now_ms() < end); ++frames) {
    const double start = now_ms();
    scale(s);
    frame_ms[frames] = now_ms() - start;
  }
  qsort(frame_ms, frames, sizeof frame_ms[0], ascending);
  const size_t p95 = frames * 95 / 100 < frames ? frames * 95 / 100 : frames - 1;
  printf("%s\t%.3f\t%.3f\n", name, frame_ms[frames / 2], frame_ms[p95]);
  fflush(stdout);
}

int main(int argc, char **argv) {
  if (argc > 1) seconds_per_case = atof(argv[1]);
  const int sizes[2][4] = {{270, 208, 947, 718}, {208, 270, 718, 947}};
  const struct {
    int flags;
    const char *name;
  } filters[] = {{SWS_POINT, "point"}, {SWS_BILINEAR, "bilinear"}, {SWS_LANCZOS, "Lanczos"}};
  for (int k = 0; k < 2; ++k) {
    const int sw = sizes[k][0], sh = sizes[k][1], dw = sizes[k][2], dh = sizes[k][3];
    uint32_t *src_bits = malloc((size_t)sw * sh * 4), *dst_bits = malloc((size_t)dw * dh * 4);
    if (!src_bits || !dst_bits) return 1;
    uint32_t seed = 1;
    for (int i = 0; i < sw * sh; ++i) {
      seed = seed * 1664525u + 1013904223u;
      src_bits[i] = seed | 0xFF000000u;
    }
    memset(dst_bits, 0, (size_t)dw * dh * 4);
    for (size_t f = 0; f < sizeof filters / sizeof filters[0]; ++f) {
      struct scaling s = {sws_getContext(sw, sh, AV_PIX_FMT_BGRA, dw, dh, AV_PIX_FMT_BGRA,
                                         filters[f].flags, NULL, NULL, NULL),
                          {(const uint8_t *)src_bits}, {(uint8_t *)dst_bits}, {sw * 4},
                          {dw * 4}, sh};
      if (!s.context) {
        fprintf(stderr, "swscale_bench: no context for %s\n", filters[f].name);
        return 1;
      }
      char name[128];
      snprintf(name, sizeof name, "%dx%d->%dx%d swscale %s", sw, sh, dw, dh, filters[f].name);
      time_frames(name, &s);
      sws_freeContext(s.context);
    }
    free(src_bits);
    free(dst_bits);
  }
  return 0;
}
