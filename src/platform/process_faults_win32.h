#pragma once

// Faults the child-process tests plant on purpose, for roads a test machine does not take by
// itself: a parent job that forbids joining another, a system whose reads cannot be cancelled,
// and the empty reads a zero-length write gives on Windows (wine never delivers those). Off
// unless a test turns them on; read by the child-process code of every run started later.
namespace scf::process_faults {

// Putting a captured run in its job fails, as under a parent job that forbids it.
void setJobAssignmentFails(bool fails);
// Cancelling a reader's blocked read has no effect.
void setReadCancelIgnored(bool ignored);
// Before every real read of a captured run's output, the reader gets a successful empty one.
void setEmptyReadsBetween(bool empty);

bool jobAssignmentFails();
bool readCancelIgnored();
bool emptyReadsBetween();

}  // namespace scf::process_faults
