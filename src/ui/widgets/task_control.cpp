#include "ui/widgets/task_control.h"

#include <string>

#include "app/app.h"
#include "ui/widgets/hint.h"

namespace scf {

bool explainTask(const App& app, Task task) {
  const std::string why = taskRefusal(app, task);
  if (why.empty()) return true;
  hoverHint(why.c_str());
  return false;
}

bool taskButton(const App& app, Task task, const char* label, ImVec2 size, ButtonStyle style,
                bool enabled, float fontPt) {
  const bool allowed = taskRefusal(app, task).empty();
  const bool clicked = button(label, size, style, enabled && allowed, fontPt);
  explainTask(app, task);
  return clicked && allowed;
}

}  // namespace scf
