/* The same sizes through Debian's pixman, natively on the host, as a comparison point for
 * resample_bench: nearest, bilinear and separable Lanczos3 convolution, and a memory copy
 * of the output bytes. Same output lines as resample_bench.
 *   pixman_bench [seconds per case, default 1] */
#include <pixman.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double seconds_per_case = 1.0;

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static int by_value(const void *a, const void *b) {
  const double x = *(const double *)a, y = *(const double *)b;
  return (x > y) - (x < y);
}

typedef void (*frame_fn)(void *context);

static void time_frames(const char *name, frame_fn frame, void *context) {
  static double times[100000];
  size_t count = 0;
  frame(context);
  const double end = now() + seconds_per_case;
  while (count < 20 || (now() < end && count < 100000)) {
    const double start = now();
    frame(context);
    times[count++] = (now() - start) * 1000.0;
  }
  qsort(times, count, sizeof times[0], by_value);
  size_t p95 = count * 95 / 100;
  if (p95 >= count) p95 = count - 1;
  printf("%s\t%.3f\t%.3f\n", name, times[count / 2], times[p95]);
  fflush(stdout);
}

struct scaling {
  pixman_image_t *src, *dst;
  int width, height;
};

static void composite(void *context) {
  struct scaling *s = context;
  pixman_image_composite32(PIXMAN_OP_SRC, s->src, NULL, s->dst, 0, 0, 0, 0, 0, 0, s->width, s->height);
}

struct copying {
  void *to, *from;
  size_t bytes;
};

static void copy(void *context) {
  struct copying *c = context;
  memcpy(c->to, c->from, c->bytes);
}

int main(int argc, char **argv) {
  if (argc > 1) seconds_per_case = atof(argv[1]);
  const int sizes[2][4] = {{270, 208, 947, 718}, {208, 270, 718, 947}};
  for (int k = 0; k < 2; ++k) {
    const int sw = sizes[k][0], sh = sizes[k][1], dw = sizes[k][2], dh = sizes[k][3];
    uint32_t *src_bits = malloc((size_t)sw * sh * 4), *dst_bits = malloc((size_t)dw * dh * 4);
    uint32_t *copy_bits = malloc((size_t)dw * dh * 4);
    uint32_t seed = 1;
    for (int i = 0; i < sw * sh; ++i) {
      seed = seed * 1664525u + 1013904223u;
      src_bits[i] = seed | 0xFF000000u;
    }
    memset(dst_bits, 0, (size_t)dw * dh * 4);
    struct scaling s = {pixman_image_create_bits(PIXMAN_a8r8g8b8, sw, sh, src_bits, sw * 4),
                        pixman_image_create_bits(PIXMAN_a8r8g8b8, dw, dh, dst_bits, dw * 4), dw, dh};
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed((double)sw / dw),
                                pixman_double_to_fixed((double)sh / dh));
    pixman_image_set_transform(s.src, &transform);
    pixman_image_set_repeat(s.src, PIXMAN_REPEAT_PAD);
    char name[128];
    snprintf(name, sizeof name, "%dx%d->%dx%d pixman nearest", sw, sh, dw, dh);
    pixman_image_set_filter(s.src, PIXMAN_FILTER_NEAREST, NULL, 0);
    time_frames(name, composite, &s);
    snprintf(name, sizeof name, "%dx%d->%dx%d pixman bilinear", sw, sh, dw, dh);
    pixman_image_set_filter(s.src, PIXMAN_FILTER_BILINEAR, NULL, 0);
    time_frames(name, composite, &s);
    int n_values = 0;
    pixman_fixed_t *params = pixman_filter_create_separable_convolution(
        &n_values, pixman_double_to_fixed((double)sw / dw), pixman_double_to_fixed((double)sh / dh),
        PIXMAN_KERNEL_LANCZOS3, PIXMAN_KERNEL_LANCZOS3, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE, 4, 4);
    pixman_image_set_filter(s.src, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n_values);
    free(params);
    snprintf(name, sizeof name, "%dx%d->%dx%d pixman separable Lanczos3", sw, sh, dw, dh);
    time_frames(name, composite, &s);
    struct copying c = {copy_bits, dst_bits, (size_t)dw * dh * 4};
    snprintf(name, sizeof name, "%dx%d->%dx%d native memory copy of the output", sw, sh, dw, dh);
    time_frames(name, copy, &c);
    pixman_image_unref(s.src);
    pixman_image_unref(s.dst);
    free(src_bits);
    free(dst_bits);
    free(copy_bits);
  }
  return 0;
}
