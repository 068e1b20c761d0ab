#pragma once

#include <string>

namespace scf {

struct App;

// The Play tab's game failure card: whether it shows, and its texts, from the last run's
// outcome. The title follows the current language; the detail is a path, the system's
// message or "exit code N", never translated.
bool gameFailureShown(const App& app);
std::string gameFailureTitle(const App& app);
std::string gameFailureDetail(const App& app);

}  // namespace scf
