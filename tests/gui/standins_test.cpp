// Until the calendar dialog's own unit is merged: the one member its moc output refers to.
#include "calendardialog.h"

namespace zr::gui {
void CalendarDialog::done(int result) {
  QDialog::done(result);
}
}  // namespace zr::gui
