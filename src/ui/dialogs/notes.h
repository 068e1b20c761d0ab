#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scf {

// The change log's inline Markdown reduced to plain text: code marks and "**" pairs dropped,
// links turned into their text.
std::string stripInline(std::string_view text);

// Lines gathered into what the what's-new dialog draws one by one: indented continuation
// lines joined to the entry above them, blank lines as empty entries.
std::vector<std::string> gatherNoteEntries(std::string_view text);

}  // namespace scf
