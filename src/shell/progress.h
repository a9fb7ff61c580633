// The main form's progress during a long command: the labels that say what is being done and
// the busy pointer. Every change reaches the Ui at once, since no events are processed while
// a run holds the form's thread.
#pragma once

#include <string_view>

namespace zr {

class App;

// Sets a label of the form, shows it and repaints it through the Ui.
void showLabel(App& app, std::string_view name, std::string_view text);
// A hidden label shows nothing; `clear` also empties the text it would show the next time.
void hideLabel(App& app, std::string_view name, bool clear);
// The hourglass on or off.
void setBusy(App& app, bool on);

}  // namespace zr
