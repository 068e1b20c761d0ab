#include <SDL3/SDL_dialog.h>
#include <SDL3/SDL_error.h>
#include <SDL3/SDL_properties.h>

#include <atomic>
#include <utility>

#include "platform/file_dialog.h"

namespace scf {

void FileDialogSlot::put(FileDialogAnswer answer) {
  std::lock_guard<std::mutex> hold(lock_);
  answer_ = std::move(answer);
}

std::optional<FileDialogAnswer> FileDialogSlot::take() {
  std::lock_guard<std::mutex> hold(lock_);
  return std::exchange(answer_, std::nullopt);
}

namespace {

// The toolkit keeps pointers to the filters until it answers, so their texts live here, with
// one dialog at a time.
struct OpenDialog {
  std::vector<FileDialogFilter> filters;
  std::vector<SDL_DialogFileFilter> sdlFilters;
};

OpenDialog openDialog;
std::atomic<bool> dialogShown{false};
FileDialogSlot answers;

void SDLCALL dialogAnswered(void*, const char* const* files, int) {
  FileDialogAnswer answer;
  if (!files) {
    answer.kind = FileDialogAnswer::Kind::failed;
    answer.error = SDL_GetError();
  } else if (files[0]) {
    answer.kind = FileDialogAnswer::Kind::chosen;
    answer.path = files[0];
  }
  // Down before the answer is visible: whoever takes it may show the next dialog at once.
  dialogShown.store(false);
  answers.put(std::move(answer));
}

}  // namespace

bool showOpenFileDialog(SDL_Window* owner, const std::string& title,
                        const std::vector<FileDialogFilter>& filters) {
  if (dialogShown.exchange(true)) return false;
  openDialog.filters = filters;
  openDialog.sdlFilters.clear();
  for (const FileDialogFilter& filter : openDialog.filters) {
    openDialog.sdlFilters.push_back({filter.label.c_str(), filter.patterns.c_str()});
  }
  const SDL_PropertiesID properties = SDL_CreateProperties();
  SDL_SetStringProperty(properties, SDL_PROP_FILE_DIALOG_TITLE_STRING, title.c_str());
  SDL_SetPointerProperty(properties, SDL_PROP_FILE_DIALOG_FILTERS_POINTER,
                         openDialog.sdlFilters.data());
  SDL_SetNumberProperty(properties, SDL_PROP_FILE_DIALOG_NFILTERS_NUMBER,
                        static_cast<Sint64>(openDialog.sdlFilters.size()));
  SDL_SetPointerProperty(properties, SDL_PROP_FILE_DIALOG_WINDOW_POINTER, owner);
  SDL_SetBooleanProperty(properties, SDL_PROP_FILE_DIALOG_MANY_BOOLEAN, false);
  SDL_ShowFileDialogWithProperties(SDL_FILEDIALOG_OPENFILE, dialogAnswered, nullptr, properties);
  SDL_DestroyProperties(properties);
  return true;
}

std::optional<FileDialogAnswer> takeFileDialogAnswer() {
  return answers.take();
}

}  // namespace scf
