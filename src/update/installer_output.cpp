#include "update/installer_output.h"

#include <cstdio>
#include <memory>

#include "platform/file_open.h"
#include "prepare/kit_contract.h"

namespace scf {
namespace {

constexpr std::size_t kReadLimit = std::size_t{64} << 10;
// A line longer than this is cut: the installer's lines are short, anything else is noise.
constexpr std::size_t kLineLimit = 64 * 1024;

// Runs in the interpreter: output into the file named first, then the script with the rest.
constexpr char kRedirect[] =
    "import runpy,sys;o=open(sys.argv[1],'w',encoding='utf-8',errors='replace',buffering=1);"
    "sys.stdout=sys.stderr=o;sys.argv=sys.argv[2:];runpy.run_path(sys.argv[0],run_name='__main__')";

}  // namespace

void InstallerOutput::follow(const std::string& path) {
  path_ = path;
  offset_ = 0;
  pending_.clear();
}

std::vector<std::string> InstallerOutput::takeLines(bool final) {
  std::vector<std::string> lines;
  if (path_.empty()) return lines;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path_, "rb"), &std::fclose);
  // After the end everything left is read; before it, at most one piece per call.
  std::size_t got = kReadLimit;
  while (file && got == kReadLimit &&
         std::fseek(file.get(), static_cast<long>(offset_), SEEK_SET) == 0) {
    std::string bytes(kReadLimit, '\0');
    got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    bytes.resize(got);
    offset_ += got;
    if (!final) got = 0;
    for (const char c : bytes) {
      if (c == '\n') {
        if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
        lines.push_back(std::move(pending_));
        pending_.clear();
      } else if (pending_.size() < kLineLimit) {
        pending_ += c;
      }
    }
  }
  if (final && !pending_.empty()) {
    if (pending_.back() == '\r') pending_.pop_back();
    lines.push_back(std::move(pending_));
    pending_.clear();
  }
  return lines;
}

std::vector<std::string> outputToFileArguments(const std::string& outputFile,
                                               const std::string& script,
                                               const std::vector<std::string>& args) {
  std::vector<std::string> arguments = interpreterArguments("-c");
  arguments.push_back(kRedirect);
  arguments.push_back(outputFile);
  arguments.push_back(script);
  arguments.insert(arguments.end(), args.begin(), args.end());
  return arguments;
}

}  // namespace scf
