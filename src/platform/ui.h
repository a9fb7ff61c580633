// What the user sees and answers: message boxes, questions, progress labels, busy pointer.
// Texts are CP1252 bytes; backends convert at their boundary.
#pragma once

#include <deque>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zr::platform {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

class Ui {
 public:
  virtual ~Ui() = default;
  virtual void message(std::string_view text, std::string_view title, Icon icon) = 0;
  // `safe` is the answer a non-interactive front end gives when nobody can be asked.
  virtual Answer ask(std::string_view text, std::string_view title, Buttons buttons, Icon icon,
                     Answer safe) = 0;
  // A progress label of the main form ("Label2", "Label4", "Label5") shows a new text.
  virtual void progress(std::string_view label, std::string_view text) = 0;
  virtual void busy(bool on) = 0;
  // A refused key: the system's warning sound. A sink that has no sound ignores it.
  virtual void beep() {}
};

// Command line: message boxes on stderr as "title: text" (carriage returns as line ends),
// progress labels as lines, questions answered Yes with `yes`, otherwise the safe answer.
// Beeps make no sound: stderr carries the messages that scripts read, nothing else.
class ConsoleUi : public Ui {
 public:
  ConsoleUi(std::ostream& err, bool yes, bool showProgress = true);
  void message(std::string_view text, std::string_view title, Icon icon) override;
  Answer ask(std::string_view text, std::string_view title, Buttons buttons, Icon icon,
             Answer safe) override;
  void progress(std::string_view label, std::string_view text) override;
  void busy(bool) override {}
  void beep() override {}

 private:
  std::ostream& err_;
  bool yes_;
  bool showProgress_;
};

// Tests: records every event and answers questions from a queue (the safe answer when empty).
class ScriptedUi : public Ui {
 public:
  enum class Kind { Message, Ask, Progress, Beep };
  struct Event {
    Kind kind;
    std::string text;
    std::string title;  // the label name for progress events
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer answer = Answer::Ok;
  };

  void message(std::string_view text, std::string_view title, Icon icon) override;
  Answer ask(std::string_view text, std::string_view title, Buttons buttons, Icon icon,
             Answer safe) override;
  void progress(std::string_view label, std::string_view text) override;
  void busy(bool on) override { busy_ = on; }
  void beep() override;

  std::deque<Answer> answers;
  std::vector<Event> events;
  bool busy_ = false;

  // Message and question events only (progress and beeps left out), in order.
  std::vector<Event> dialogs() const;
  std::size_t beeps() const;
  void clear() { events.clear(); }
};

// CP1252 bytes to UTF-8 and back (characters outside CP1252 become '?').
std::string toUtf8(std::string_view cp1252);
std::string fromUtf8(std::string_view utf8);

}  // namespace zr::platform
