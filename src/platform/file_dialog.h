#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct SDL_Window;

namespace scf {

// One line of the dialog's file-type list: the label the user reads and the extensions it
// shows, separated by ";" without dots ("iso;bin;cue"), or "*" for every file.
struct FileDialogFilter {
  std::string label;
  std::string patterns;
};

// What an open-file dialog answered.
struct FileDialogAnswer {
  enum class Kind { chosen, cancelled, failed };
  Kind kind = Kind::cancelled;
  std::string path;   // the chosen file (UTF-8), for chosen
  std::string error;  // the toolkit's reason, for failed
};

// Holds the one answer not yet taken. The dialog may answer on another thread, and the frame
// loop takes it on its own; a newer answer replaces an older one.
class FileDialogSlot {
 public:
  void put(FileDialogAnswer answer);
  std::optional<FileDialogAnswer> take();

 private:
  std::mutex lock_;
  std::optional<FileDialogAnswer> answer_;
};

// Shows the desktop's open-file dialog for one existing file, owned by the window (may be null),
// and returns at once; the answer arrives later through takeFileDialogAnswer. Returns false, and
// shows nothing, while an earlier dialog has not answered yet.
bool showOpenFileDialog(SDL_Window* owner, const std::string& title,
                        const std::vector<FileDialogFilter>& filters);
// The answer of the last dialog, once, or nothing while none has come.
std::optional<FileDialogAnswer> takeFileDialogAnswer();

}  // namespace scf
