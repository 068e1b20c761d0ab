#pragma once

#include <optional>
#include <string>

namespace scf {

struct App;

// The launcher's tasks that run a program or change the release. The update check is not one of
// them: it only asks the release host and may run beside anything.
enum class Task : int { discCheck = 0, build, game, update, enhance };
inline constexpr int kTaskCount = 5;

// Whether `second` may start while `first` runs. This is the one place that says which tasks
// meet; the start functions and the controls that start them both read it through taskRefusal.
bool mayRunTogether(Task first, Task second);

// True while the task runs (for the update: from the download's start to the restart).
bool taskRunning(const App& app, Task task);

// The running task that keeps `task` from starting now, if any.
std::optional<Task> blockingTask(const App& app, Task task);

// One sentence saying why `task` cannot start now, in the current language; empty when it can.
std::string taskRefusal(const App& app, Task task);

// Checks `task` against the table; when it cannot start, the refusal is kept in App so that the
// screen the user is on says why, and false is returned.
bool mayStart(App& app, Task task);

// A refused start, kept until the task that blocked it has ended or another start succeeds.
struct TaskRefusal {
  bool active = false;
  Task wanted = Task::discCheck;
  Task blocker = Task::discCheck;
  // Refused by the screen rather than a task: the release's files are missing.
  bool releaseIncomplete = false;
  double at = 0;  // monotonic time of the refusal
};

// How long a kept refusal stays on screen at most.
inline constexpr double kRefusalSeconds = 8.0;

// The sentence of a kept refusal in the current language (so it follows a language switch).
std::string refusalText(const TaskRefusal& refusal);

// Drops a kept refusal whose blocking task has ended, or that has been shown long enough; called
// once per turn.
void expireRefusal(App& app);

}  // namespace scf
