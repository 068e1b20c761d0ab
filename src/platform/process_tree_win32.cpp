#include "platform/process_tree_win32.h"

#include <windows.h>
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include <map>
#include <vector>

namespace scf {

namespace {

// A few passes catch what a member starts while the one before is being ended.
constexpr int maxPasses = 8;

std::uint64_t createdAt(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// A member of the tree: held open, so that its identifier names it until the walk is over.
struct Member {
  HANDLE handle = nullptr;
  std::uint64_t created = 0;
};

struct ProcessLink {
  DWORD id;
  DWORD parent;
};

std::vector<ProcessLink> processList() {
  std::vector<ProcessLink> list;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return list;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    list.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
  }
  CloseHandle(snapshot);
  return list;
}

// Adds to tree every listed process whose parent is in it, until none is left to add; returns
// how many were added. A process counts as a child only when it was created after its parent:
// an identifier that an unrelated process had before is not a parent link.
int addDescendants(const std::vector<ProcessLink>& list, std::map<DWORD, Member>& tree) {
  int added = 0;
  for (bool grew = true; grew;) {
    grew = false;
    for (const ProcessLink& link : list) {
      if (tree.count(link.id) != 0) continue;
      const auto parent = tree.find(link.parent);
      if (parent == tree.end() || link.id == 0) continue;
      const HANDLE handle =
          OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, link.id);
      if (handle == nullptr) continue;
      const std::uint64_t created = createdAt(handle);
      if (created < parent->second.created) {
        CloseHandle(handle);
        continue;
      }
      tree[link.id] = {handle, created};
      ++added;
      grew = true;
    }
  }
  return added;
}

}  // namespace

void endProcessTree(void* root, std::uint32_t rootId, std::uint32_t exitCode) {
  std::map<DWORD, Member> tree;
  // The root's handle is the caller's: held, not closed here.
  tree[rootId] = {nullptr, createdAt(root)};
  TerminateProcess(root, exitCode);
  for (int pass = 0; pass < maxPasses; ++pass) {
    if (addDescendants(processList(), tree) == 0) break;
    for (auto& [id, member] : tree) {
      if (member.handle != nullptr) TerminateProcess(member.handle, exitCode);
    }
  }
  for (auto& [id, member] : tree) {
    if (member.handle != nullptr) CloseHandle(member.handle);
  }
}

}  // namespace scf
