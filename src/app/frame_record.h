#pragma once

#include <vector>

struct ImDrawData;

namespace scf {

// A copy of what one frame drew (every vertex, index and draw command), to tell whether the next
// frame would put anything different on the screen. Its storage is kept across frames.
class FrameRecord {
 public:
  // True when data draws something other than the recorded frame, or a texture still waits for
  // the renderer; data then becomes the recorded frame.
  bool differs(const ImDrawData* data);
  // Forgets the recorded frame, so the next one differs.
  void clear();

 private:
  std::vector<unsigned char> recorded_;
  std::vector<unsigned char> next_;
};

}  // namespace scf
