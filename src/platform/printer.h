// The printer of one command: the run time's printer object (font, a line, a new page, the end
// of the document) over one output document. One command gives one document: "end document"
// inside it only starts a new page; `finish` completes the document when the command is over.
// Texts are CP1252 bytes; backends convert at their boundary. Failures are RuntimeErrors.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace zr::platform {

class Printer {
 public:
  virtual ~Printer() = default;
  Printer() = default;
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  // FontName and FontSize: they apply to the lines printed after them.
  virtual void setFont(std::string_view name, double points) = 0;
  // Prints one line; trailing blanks are kept.
  virtual void printLine(std::string_view cp1252) = 0;
  // NewPage: the next line starts a new page.
  virtual void newPage() = 0;
  // EndDoc inside a command: what was printed is kept and the next line starts a new page.
  virtual void endDocument() = 0;
  // The command is over: the document is completed and written out. Nothing printed is lost,
  // even when the command ended on an error. Further calls do nothing.
  virtual void finish() = 0;
  // Pages begun so far (0 before the first line).
  virtual int pages() const = 0;
};

// Text: UTF-8, trailing blanks kept, LF line ends, a form feed (0x0C) before the first line of
// every page after the first. Lines go to `out` as they are printed; `finish` flushes it and a
// stream that failed is error 57 naming `what` (the file or "standard output").
class TextPrinter : public Printer {
 public:
  TextPrinter(std::ostream& out, std::string what);
  void setFont(std::string_view name, double points) override;
  void printLine(std::string_view cp1252) override;
  void newPage() override;
  void endDocument() override;
  void finish() override;
  int pages() const override { return pages_; }

  const std::string& fontName() const { return fontName_; }
  double fontSize() const { return fontSize_; }

 private:
  void check();
  std::ostream& out_;
  std::string what_;
  std::string fontName_;
  double fontSize_ = 0;
  int pages_ = 0;
  bool pageBreakPending_ = false;
  bool finished_ = false;
};

// Hands out the printer of a command. The front end chooses it (a file, standard output, the
// system printer); none installed is error 484.
class PrinterProvider {
 public:
  virtual ~PrinterProvider() = default;
  // The command's printer, opened on its first use and kept until the command finishes.
  virtual Printer& printer() = 0;
  // The command is over: the printer it opened, if any, finishes its document.
  virtual void finish() = 0;
};

// No printer on this system: every use is error 484.
std::unique_ptr<PrinterProvider> makeNoPrinter();

}  // namespace zr::platform
