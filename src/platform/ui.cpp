#include "platform/ui.h"

#include <ostream>

namespace zr::platform {

namespace {

// CR LF and a lone CR end a line on the console.
std::string consoleText(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (std::size_t i = 0; i < cp1252.size(); ++i) {
    if (cp1252[i] != '\r') {
      out += cp1252[i];
      continue;
    }
    out += '\n';
    if (i + 1 < cp1252.size() && cp1252[i + 1] == '\n') ++i;
  }
  return toUtf8(out);
}

void printTitled(std::ostream& os, std::string_view title, std::string_view text) {
  if (!title.empty()) os << toUtf8(title) << ": ";
  os << consoleText(text) << '\n';
}

const char* answerName(Answer a) {
  switch (a) {
    case Answer::Ok:
      return "Ok";
    case Answer::Yes:
      return "Yes";
    case Answer::No:
      return "No";
  }
  return "Ok";
}

}  // namespace

ConsoleUi::ConsoleUi(std::ostream& err, bool yes, bool showProgress)
    : err_(err), yes_(yes), showProgress_(showProgress) {}

void ConsoleUi::message(std::string_view text, std::string_view title, Icon) {
  printTitled(err_, title, text);
  err_.flush();
}

Answer ConsoleUi::ask(std::string_view text, std::string_view title, Buttons buttons, Icon,
                      Answer safe) {
  Answer a = buttons == Buttons::Ok ? Answer::Ok : yes_ ? Answer::Yes : safe;
  printTitled(err_, title, text);
  err_ << "-> " << answerName(a) << '\n';
  err_.flush();
  return a;
}

void ConsoleUi::progress(std::string_view label, std::string_view text) {
  if (!showProgress_ || text.empty()) return;
  err_ << label << ": " << consoleText(text) << '\n';
  err_.flush();
}

void ScriptedUi::message(std::string_view text, std::string_view title, Icon icon) {
  events.push_back(
      {Kind::Message, std::string(text), std::string(title), icon, Buttons::Ok, Answer::Ok});
}

Answer ScriptedUi::ask(std::string_view text, std::string_view title, Buttons buttons, Icon icon,
                       Answer safe) {
  Answer a = safe;
  if (!answers.empty()) {
    a = answers.front();
    answers.pop_front();
  }
  events.push_back({Kind::Ask, std::string(text), std::string(title), icon, buttons, a});
  return a;
}

void ScriptedUi::progress(std::string_view label, std::string_view text) {
  events.push_back(
      {Kind::Progress, std::string(text), std::string(label), Icon::None, Buttons::Ok, Answer::Ok});
}

void ScriptedUi::beep() {
  events.push_back({Kind::Beep, {}, {}, Icon::None, Buttons::Ok, Answer::Ok});
}

std::vector<ScriptedUi::Event> ScriptedUi::dialogs() const {
  std::vector<Event> out;
  for (const Event& e : events)
    if (e.kind == Kind::Message || e.kind == Kind::Ask) out.push_back(e);
  return out;
}

std::size_t ScriptedUi::beeps() const {
  std::size_t n = 0;
  for (const Event& e : events) n += e.kind == Kind::Beep ? 1 : 0;
  return n;
}

}  // namespace zr::platform
