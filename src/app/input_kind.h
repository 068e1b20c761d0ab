#pragma once

namespace scf {

// Where the user's last input came from: the footer shows the pad's buttons only after a pad.
enum class InputKind { none, mouse, keyboard, gamepad };

}  // namespace scf
