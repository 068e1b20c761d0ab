#include "update/update_chain.h"

#include <algorithm>

namespace scf {
namespace {

constexpr char kInstalledPrefix[] = "--installed=";

std::string installedArgument(const std::string& tag) {
  return kInstalledPrefix + tag;
}

}  // namespace

bool installedInChain(const std::vector<std::string>& launchArgs, const std::string& tag) {
  return std::find(launchArgs.begin(), launchArgs.end(), installedArgument(tag)) !=
         launchArgs.end();
}

std::vector<std::string> restartArguments(const std::vector<std::string>& launchArgs,
                                          const std::string& tag) {
  std::vector<std::string> arguments = launchArgs;
  if (!installedInChain(arguments, tag)) arguments.push_back(installedArgument(tag));
  return arguments;
}

}  // namespace scf
