#include "platform/ui_wake.h"

#include <atomic>

namespace scf {

namespace {
std::atomic<void (*)()> uiWaker{nullptr};
}  // namespace

void setUiWaker(void (*waker)()) {
  uiWaker.store(waker);
}

void wakeUi() {
  if (void (*waker)() = uiWaker.load()) waker();
}

}  // namespace scf
