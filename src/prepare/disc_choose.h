#pragma once

#include <string>
#include <vector>

#include "platform/file_dialog.h"
#include "release/tr.h"

namespace scf {

// The open-file dialog's title and file types for a disc image, in the current language.
std::string discDialogTitle();
std::vector<FileDialogFilter> discImageFilters();

// The dialog's kept sentences, said in the language current when drawn.
extern const TextPair kNoFileDialogText;
extern const TextPair kDialogAlreadyOpenText;

// The sentence shown when the desktop cannot show an open-file dialog.
std::string noFileDialogText();
// The sentence shown when the user asks for the dialog while it is still open.
std::string dialogAlreadyOpenText();

}  // namespace scf
