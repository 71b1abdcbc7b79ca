// The PNG row filters. Up works on 16 bytes at a time. Sub, Average and Paeth depend on
// the pixel to the left, so they run a pixel at a time; for 3- and 4-byte pixels the bytes
// of a pixel are done together in SSE2 registers (Paeth's choice without branches),
// elsewhere byte by byte.
#include "imaging/PngRowFilters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kartovel::tools {
namespace {

constexpr uint8_t kUpFilter = 2;

// out = first + second (or first - second), byte by byte.
template <bool kAdd>
void CombineBytes(const uint8_t* first, const uint8_t* second, uint8_t* out, size_t count) {
  size_t byte = 0;
#if defined(__SSE2__)
  for (; byte + 16 <= count; byte += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + byte));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + byte));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + byte),
                     kAdd ? _mm_add_epi8(a, b) : _mm_sub_epi8(a, b));
  }
#endif
  for (; byte < count; ++byte) {
    out[byte] =
        static_cast<uint8_t>(kAdd ? first[byte] + second[byte] : first[byte] - second[byte]);
  }
}

void UndoUp(uint8_t* row, const uint8_t* above, size_t rowBytes) {
  CombineBytes<true>(row, above, row, rowBytes);
}

void UndoSub(uint8_t* row, size_t rowBytes, size_t step) {
  for (size_t byte = step; byte < rowBytes; ++byte) {
    row[byte] = static_cast<uint8_t>(row[byte] + row[byte - step]);
  }
}

void UndoAverage(uint8_t* row, const uint8_t* above, size_t rowBytes, size_t step) {
  for (size_t byte = 0; byte < step && byte < rowBytes; ++byte) {
    row[byte] = static_cast<uint8_t>(row[byte] + above[byte] / 2);
  }
  for (size_t byte = step; byte < rowBytes; ++byte) {
    row[byte] = static_cast<uint8_t>(row[byte] + (row[byte - step] + above[byte]) / 2);
  }
}

uint8_t PaethPredictor(int left, int up, int upLeft) {
  const int towardsLeft = std::abs(up - upLeft);
  const int towardsUp = std::abs(left - upLeft);
  const int towardsUpLeft = std::abs(left + up - 2 * upLeft);
  if (towardsLeft <= towardsUp && towardsLeft <= towardsUpLeft) {
    return static_cast<uint8_t>(left);
  }
  return static_cast<uint8_t>(towardsUp <= towardsUpLeft ? up : upLeft);
}

void UndoPaeth(uint8_t* row, const uint8_t* above, size_t rowBytes, size_t step) {
  for (size_t byte = 0; byte < step && byte < rowBytes; ++byte) {
    row[byte] = static_cast<uint8_t>(row[byte] + above[byte]);
  }
  for (size_t byte = step; byte < rowBytes; ++byte) {
    row[byte] = static_cast<uint8_t>(
        row[byte] + PaethPredictor(row[byte - step], above[byte], above[byte - step]));
  }
}

#if defined(__SSE2__)

// Pixels go in and out of the registers byte by byte, put together in a general register:
// a 3-byte memcpy through memory would stall the load behind the partial stores.
template <size_t kStep>
__m128i LoadPixel(const uint8_t* bytes) {
  uint32_t pixel = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
  if constexpr (kStep == 4) {
    pixel |= uint32_t{bytes[3]} << 24;
  }
  return _mm_cvtsi32_si128(static_cast<int32_t>(pixel));
}

template <size_t kStep>
void StorePixel(uint8_t* bytes, __m128i pixel) {
  const auto value = static_cast<uint32_t>(_mm_cvtsi128_si32(pixel));
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
  bytes[2] = static_cast<uint8_t>(value >> 16);
  if constexpr (kStep == 4) {
    bytes[3] = static_cast<uint8_t>(value >> 24);
  }
}

template <size_t kStep>
void UndoSubPixels(uint8_t* row, size_t rowBytes) {
  __m128i left = _mm_setzero_si128();
  for (size_t byte = 0; byte + kStep <= rowBytes; byte += kStep) {
    left = _mm_add_epi8(left, LoadPixel<kStep>(row + byte));
    StorePixel<kStep>(row + byte, left);
  }
}

template <size_t kStep>
void UndoAveragePixels(uint8_t* row, const uint8_t* above, size_t rowBytes) {
  const __m128i ones = _mm_set1_epi8(1);
  __m128i left = _mm_setzero_si128();
  for (size_t byte = 0; byte + kStep <= rowBytes; byte += kStep) {
    const __m128i up = LoadPixel<kStep>(above + byte);
    // _mm_avg_epu8 rounds up; taking the lost low bit off rounds down as PNG does.
    __m128i average = _mm_avg_epu8(left, up);
    average = _mm_sub_epi8(average, _mm_and_si128(_mm_xor_si128(left, up), ones));
    left = _mm_add_epi8(LoadPixel<kStep>(row + byte), average);
    StorePixel<kStep>(row + byte, left);
  }
}

__m128i Absolute16(__m128i value) {
  return _mm_max_epi16(value, _mm_sub_epi16(_mm_setzero_si128(), value));
}

__m128i Select(__m128i mask, __m128i whenSet, __m128i otherwise) {
  return _mm_or_si128(_mm_and_si128(mask, whenSet), _mm_andnot_si128(mask, otherwise));
}

// Samples widened to 16 bits, where the predictor's differences fit.
template <size_t kStep>
void UndoPaethPixels(uint8_t* row, const uint8_t* above, size_t rowBytes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi16(0xff);
  __m128i left = zero;
  __m128i upLeft = zero;
  for (size_t byte = 0; byte + kStep <= rowBytes; byte += kStep) {
    const __m128i up = _mm_unpacklo_epi8(LoadPixel<kStep>(above + byte), zero);
    const __m128i upMinusUpLeft = _mm_sub_epi16(up, upLeft);
    const __m128i leftMinusUpLeft = _mm_sub_epi16(left, upLeft);
    const __m128i towardsLeft = Absolute16(upMinusUpLeft);
    const __m128i towardsUp = Absolute16(leftMinusUpLeft);
    const __m128i towardsUpLeft = Absolute16(_mm_add_epi16(upMinusUpLeft, leftMinusUpLeft));
    const __m128i nearest = _mm_min_epi16(towardsUpLeft, _mm_min_epi16(towardsLeft, towardsUp));
    const __m128i predictor = Select(_mm_cmpeq_epi16(towardsLeft, nearest), left,
                                     Select(_mm_cmpeq_epi16(towardsUp, nearest), up, upLeft));
    const __m128i filtered = _mm_unpacklo_epi8(LoadPixel<kStep>(row + byte), zero);
    left = _mm_and_si128(_mm_add_epi16(filtered, predictor), lowByte);
    upLeft = up;
    StorePixel<kStep>(row + byte, _mm_packus_epi16(left, left));
  }
}

// The pixel-at-a-time forms for 3- and 4-byte pixels; false for other steps.
bool UnfilterPixels(uint8_t filterType, uint8_t* row, const uint8_t* above, size_t rowBytes,
                    size_t step) {
  if (step != 3 && step != 4) {
    return false;
  }
  const bool four = step == 4;
  switch (filterType) {
    case 1:
      four ? UndoSubPixels<4>(row, rowBytes) : UndoSubPixels<3>(row, rowBytes);
      return true;
    case 3:
      four ? UndoAveragePixels<4>(row, above, rowBytes)
           : UndoAveragePixels<3>(row, above, rowBytes);
      return true;
    case 4:
      four ? UndoPaethPixels<4>(row, above, rowBytes) : UndoPaethPixels<3>(row, above, rowBytes);
      return true;
    default:
      return false;
  }
}

#else

bool UnfilterPixels(uint8_t, uint8_t*, const uint8_t*, size_t, size_t) {
  return false;
}

#endif

}  // namespace

bool UnfilterPngRow(uint8_t filterType, uint8_t* row, const uint8_t* above, size_t rowBytes,
                    size_t step) {
  if (UnfilterPixels(filterType, row, above, rowBytes, step)) {
    return true;
  }
  switch (filterType) {
    case 0:
      return true;
    case 1:
      UndoSub(row, rowBytes, step);
      return true;
    case 2:
      UndoUp(row, above, rowBytes);
      return true;
    case 3:
      UndoAverage(row, above, rowBytes, step);
      return true;
    case 4:
      UndoPaeth(row, above, rowBytes, step);
      return true;
    default:
      return false;
  }
}

void FilterPngRowUp(const uint8_t* row, const uint8_t* above, uint8_t* out, size_t rowBytes) {
  out[0] = kUpFilter;
  CombineBytes<false>(row, above, out + 1, rowBytes);
}

}  // namespace kartovel::tools
