#include "ui/palette.h"

namespace scf {

ImU32 withAlpha(std::uint32_t rgb, float alpha) {
  // Written so that NaN lands on 0 instead of reaching the float-to-int conversion.
  const float a = alpha > 0.0f ? (alpha < 1.0f ? alpha : 1.0f) : 0.0f;
  return withAlphaByte(rgb, static_cast<int>(a * 255.0f));
}

}  // namespace scf
