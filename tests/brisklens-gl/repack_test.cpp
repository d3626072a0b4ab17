// The texture image of a frame, bit-exact against a repack written here.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "brisklens-gl/texture_repack.h"

using namespace brisklens_gl;

TEST(RepackBlock, RowsBottomUpAsRedGreenBlueForEitherBlock) {
  constexpr int kWidth = 280, kRows = 482;
  std::vector<uint8_t> capture(size_t(kWidth) * kRows * 4);
  std::mt19937 random(20240601);
  for (uint8_t& byte : capture) byte = uint8_t(random());
  for (int last_row : {481, 279}) {
    TextureImage texture;
    texture.fill(0xAA);
    RepackBlock({capture.data(), kRows}, last_row, texture);
    size_t wrong = 0, first = 0;
    for (int row = 0; row < 280; ++row) {
      for (int column = 0; column < 280; ++column) {
        const uint8_t* pixel = &capture[(size_t(last_row - row) * kWidth + column) * 4];
        const uint8_t* texel = &texture[(size_t(row) * 280 + column) * 3];
        // Captured bytes are blue, green, red, alpha.
        if (texel[0] != pixel[2] || texel[1] != pixel[1] || texel[2] != pixel[0])
          if (wrong++ == 0) first = size_t(row) * 280 + column;
      }
    }
    EXPECT_EQ(wrong, 0u) << "last row " << last_row << ", first wrong texel " << first;
  }
  // A capture shorter than the block: its missing rows leave their texels alone.
  TextureImage texture;
  texture.fill(0xAA);
  RepackBlock({capture.data(), 300}, 481, texture);
  EXPECT_EQ(texture[0], 0xAA) << "row 481 is not in the capture";
  EXPECT_EQ(texture[size_t(181) * 840], 0xAA) << "row 300 is not in the capture";
  EXPECT_EQ(texture[size_t(182) * 840], capture[size_t(299) * kWidth * 4 + 2]);
}
