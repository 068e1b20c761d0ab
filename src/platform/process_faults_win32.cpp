#include "platform/process_faults_win32.h"

#include <atomic>

namespace scf::process_faults {

namespace {
std::atomic<bool> assignmentFails{false};
std::atomic<bool> cancelIgnored{false};
std::atomic<bool> emptyReads{false};
}  // namespace

void setJobAssignmentFails(bool fails) {
  assignmentFails = fails;
}
void setReadCancelIgnored(bool ignored) {
  cancelIgnored = ignored;
}
void setEmptyReadsBetween(bool empty) {
  emptyReads = empty;
}

bool jobAssignmentFails() {
  return assignmentFails;
}
bool readCancelIgnored() {
  return cancelIgnored;
}
bool emptyReadsBetween() {
  return emptyReads;
}

}  // namespace scf::process_faults
