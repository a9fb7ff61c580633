// The export report as printed lines: the files, a block per company with its figures in the
// two sets, the row changes on request, the warnings. Printed through the printer layer, so the
// front ends choose text, PDF or the system printer.
#include "export/exportreportprint.h"

#include "platform/text.h"

namespace zr::report {

namespace {

constexpr std::size_t kLabelWidth = 28;
constexpr std::size_t kColumn = 14;
constexpr int kPageLines = 60;
constexpr std::size_t kPageWidth = 90;  // what a page holds in Courier New 9
constexpr std::size_t kWrapIndent = 6;
const std::string kRule(73, '=');
const std::string kThinRule(73, '-');

std::string padRight(std::string s, std::size_t n) {
  if (s.size() < n) s.append(n - s.size(), ' ');
  return s;
}
std::string padLeft(const std::string& s, std::size_t n) {
  return s.size() < n ? std::string(n - s.size(), ' ') + s : s;
}

std::string valueText(const Measure& m, std::int64_t v) {
  switch (m.kind) {
    case Measure::Money:
      return listMoney(v);
    case Measure::Count:
      return padLeft(std::to_string(v), kColumn);
    case Measure::Flag:
      return padLeft(v ? "SI" : "NO", kColumn);
  }
  return {};
}

std::string differenceText(const Measure& m) {
  const std::int64_t d = m.difference();
  if (m.kind == Measure::Flag) return std::string(kColumn, ' ');
  if (m.kind == Measure::Money) return padLeft(d == 0 ? "" : signedMoney(d), kColumn);
  return padLeft(d == 0 ? "" : (d > 0 ? "+" : "") + std::to_string(d), kColumn);
}

// A line wider than the page is broken at a blank, its rest indented under it.
void wrapInto(std::vector<std::string>& out, std::string line) {
  while (line.size() > kPageWidth) {
    std::size_t cut = line.rfind(' ', kPageWidth);
    if (cut == std::string::npos || cut <= kWrapIndent) cut = kPageWidth;
    out.push_back(line.substr(0, cut));
    const std::size_t rest = line.find_first_not_of(' ', cut);
    line = std::string(kWrapIndent, ' ') + (rest == std::string::npos ? "" : line.substr(rest));
  }
  out.push_back(std::move(line));
}

}  // namespace

std::vector<std::vector<std::string>> reportBlocks(const ExportReport& r, bool details) {
  std::vector<std::vector<std::string>> blocks;
  const bool compared = r.previous && r.previous->present;
  {
    std::vector<std::string> head;
    head.push_back(std::string(r.fromRun ? "RIEPILOGO DELL'ESPORTAZIONE DATI PER MOD.770/"
                                         : "RIEPILOGO DEI FILE DI ESPORTAZIONE MOD.770/") +
                   std::string(ANNO770));
    if (compared) {
      std::size_t counts[4] = {};
      for (const CompanyComparison& c : r.comparison) ++counts[static_cast<int>(c.status)];
      head.push_back("Confronto con " +
                     std::string(r.fromRun ? "l'esportazione sostituita" : "la copia indicata") +
                     ":");
      head.push_back("  " + std::to_string(counts[2]) + " ditte variate, " +
                     std::to_string(counts[0]) + " nuove, " + std::to_string(counts[1]) +
                     " non piu' presenti, " + std::to_string(counts[3]) + " invariate");
    } else if (!r.previousUnreadable.empty()) {
      head.push_back("Esportazione precedente non leggibile: " + r.previousUnreadable);
    } else {
      head.push_back(r.fromRun ? "Nessuna esportazione precedente da confrontare"
                               : "Nessun file da confrontare");
    }
    head.push_back(kRule);
    head.push_back(padRight("FILE", kLabelWidth) + padLeft("RECORD", kColumn + 1) +
                   (compared ? padLeft("PRECEDENTI", kColumn + 1) : ""));
    for (std::size_t i = 0; i < r.current.files.size(); ++i) {
      const FileFacts& f = r.current.files[i];
      std::string line = padRight(f.stem + std::string(inst::kExportExtension), kLabelWidth) +
                         " " + padLeft(f.present ? std::to_string(f.records) : "assente", kColumn);
      if (compared && i < r.previous->files.size()) {
        const FileFacts& p = r.previous->files[i];
        line += " " + padLeft(p.present ? std::to_string(p.records) : "assente", kColumn);
      }
      head.push_back(line);
    }
    head.push_back(kRule);
    blocks.push_back(std::move(head));
  }
  for (const CompanyComparison& c : r.comparison) {
    std::vector<std::string> b;
    const CompanySummary& shown = c.after ? *c.after : *c.before;
    std::string title = "DITTA " + c.code + " " + shown.name;
    if (compared) title = padRight(title.substr(0, 55), 56) + statusText(c.status);
    b.push_back(title);
    if (shown.substitute) b.push_back("  presentata dalla ditta " + shown.declarant);
    b.push_back(padRight("", kLabelWidth) + " " + padLeft("ATTUALE", kColumn) +
                (compared ? " " + padLeft("PRECEDENTE", kColumn) + " " +
                                padLeft("DIFFERENZA", kColumn)
                          : ""));
    for (const Measure& m : measures(c.before ? &*c.before : nullptr,
                                     c.after ? &*c.after : nullptr)) {
      std::string line = padRight(std::string(m.label), kLabelWidth) + " " + valueText(m, m.after);
      if (compared) line += " " + valueText(m, m.before) + " " + differenceText(m);
      b.push_back(line);
    }
    if (compared && !c.rows.empty()) {
      const RowCounts n = countRows(c);
      b.push_back("Gruppi di righi (sezione, periodo, codice tributo): " +
                  std::to_string(n.added) + " aggiunti, " + std::to_string(n.removed) +
                  " tolti, " + std::to_string(n.changed) + " variati");
      if (details)
        for (const RowChange& rc : c.rows) b.push_back("  " + rowChangeText(rc));
    }
    b.push_back(kThinRule);
    blocks.push_back(std::move(b));
  }
  std::vector<std::string> tail;
  tail.push_back("SEGNALAZIONI: " + std::to_string(r.warnings.size()));
  for (const Warning& w : r.warnings) tail.push_back("  " + w.text);
  if (!r.fromRun)
    tail.push_back("  (i mesi F24 mancanti e i righi esclusi si vedono nel riepilogo di "
                   "un'esportazione)");
  std::vector<std::string> problems = r.current.problems;
  if (r.previous)
    for (const std::string& p : r.previous->problems) problems.push_back("precedente: " + p);
  if (!problems.empty()) {
    tail.push_back("RECORD NON LEGGIBILI: " + std::to_string(problems.size()));
    for (const std::string& p : problems) tail.push_back("  " + p);
  }
  tail.push_back(kRule);
  blocks.push_back(std::move(tail));
  for (auto& block : blocks) {
    std::vector<std::string> lines;
    for (std::string& line : block) {
      line.erase(line.find_last_not_of(' ') + 1);
      wrapInto(lines, line);
    }
    block = std::move(lines);
  }
  return blocks;
}

void printReport(const ExportReport& r, platform::Printer& printer, bool details) {
  printer.setFont("Courier New", 9);
  int lines = 0;
  for (const auto& block : reportBlocks(r, details)) {
    // A company's block stays on one page when it fits on one.
    const int size = static_cast<int>(block.size());
    if (lines > 0 && lines + size > kPageLines) {
      printer.newPage();
      lines = 0;
    }
    for (const std::string& line : block) {
      if (lines >= kPageLines) {
        printer.newPage();
        lines = 0;
      }
      printer.printLine(line);
      ++lines;
    }
  }
}

}  // namespace zr::report
