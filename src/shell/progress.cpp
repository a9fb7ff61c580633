#include "shell/progress.h"

#include <string>

#include "shell/app.h"

namespace zr {

void showLabel(App& app, std::string_view name, std::string_view text) {
  app.form.labels[std::string(name)] = text;
  app.form.labelVisible[std::string(name)] = true;
  app.ui().progress(name, text);
}

void hideLabel(App& app, std::string_view name, bool clear) {
  if (clear) app.form.labels[std::string(name)].clear();
  app.form.labelVisible[std::string(name)] = false;
  app.ui().progress(name, "");
}

void setBusy(App& app, bool on) {
  app.form.busy = on;
  app.ui().busy(on);
}

}  // namespace zr
