#pragma once

#include "app/task_table.h"
#include "imgui.h"
#include "ui/widgets/button.h"

namespace scf {

struct App;

// A button that starts a task: drawn disabled while the task table refuses the task, and then
// hovering or focusing it shows why. True when clicked while the task may start.
bool taskButton(const App& app, Task task, const char* label, ImVec2 size, ButtonStyle style,
                bool enabled = true, float fontPt = 20.0f);

// For a control drawn by other means: after it, shows why the task cannot start now, on hover or
// focus. True when the task may start.
bool explainTask(const App& app, Task task);

}  // namespace scf
