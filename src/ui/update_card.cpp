#include "ui/update_card.h"

#include "app/app.h"

namespace scf {

// The update check and install are not wired into the App yet, so there is nothing to show.
void drawUpdateCard(App&, float, bool) {}

}  // namespace scf
