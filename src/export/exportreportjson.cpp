// The export report as JSON: a small writer of our own (objects, arrays, strings, integers and
// amounts written as exact decimals), then the report's keys.
#include "export/exportreportprint.h"

#include "platform/ui.h"

namespace zr::report {

namespace {

class Json {
 public:
  Json& open(char bracket) {
    comma();
    out_ += bracket;
    first_ = true;
    return *this;
  }
  Json& close(char bracket) {
    out_ += bracket;
    first_ = false;
    return *this;
  }
  Json& key(std::string_view k) {
    comma();
    quoted(k);
    out_ += ':';
    first_ = true;  // the value follows without a comma
    return *this;
  }
  // Text of the program (CP1252), written as UTF-8.
  Json& text(std::string_view cp1252) {
    comma();
    quoted(platform::toUtf8(cp1252));
    return *this;
  }
  Json& integer(std::int64_t n) {
    comma();
    out_ += std::to_string(n);
    return *this;
  }
  Json& money(Cents c) {
    comma();
    const std::uint64_t a = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
    const std::string cents = std::to_string(a % 100);
    out_ += (c < 0 ? "-" : "") + std::to_string(a / 100) + "." + (cents.size() < 2 ? "0" : "") +
            cents;
    return *this;
  }
  Json& boolean(bool b) {
    comma();
    out_ += b ? "true" : "false";
    return *this;
  }
  Json& null() {
    comma();
    out_ += "null";
    return *this;
  }
  std::string take() { return std::move(out_) + "\n"; }

 private:
  void comma() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  void quoted(std::string_view utf8) {
    out_ += '"';
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char ch : utf8) {
      if (ch == '"' || ch == '\\') {
        out_ += '\\';
        out_ += static_cast<char>(ch);
      } else if (ch < 0x20 || ch == 0x7f) {
        out_ += "\\u00";
        out_ += kHex[ch >> 4];
        out_ += kHex[ch & 15];
      } else {
        out_ += static_cast<char>(ch);
      }
    }
    out_ += '"';
  }
  std::string out_;
  bool first_ = true;
};

std::string statusKey(Status s) {
  switch (s) {
    case Status::New:
      return "nuova";
    case Status::Gone:
      return "non_piu_presente";
    case Status::Changed:
      return "variata";
    case Status::Unchanged:
      return "invariata";
  }
  return {};
}

std::string warningKey(WarningKind k) {
  switch (k) {
    case WarningKind::UndatedPayment:
      return "data_versamento_mancante";
    case WarningKind::MissingMonth:
      return "mese_senza_f24";
    case WarningKind::MissingNextJanuary:
      return "gennaio_mancante";
    case WarningKind::SkippedRows:
      return "righi_esclusi";
    case WarningKind::SubstituteWithoutDeclarant:
      return "dichiarante_senza_frontespizio";
  }
  return {};
}

void measureValue(Json& j, const Measure& m, std::int64_t v) {
  if (m.kind == Measure::Money)
    j.money(v);
  else if (m.kind == Measure::Flag)
    j.boolean(v != 0);
  else
    j.integer(v);
}

void summary(Json& j, const CompanySummary* c, const std::vector<Measure>& ms, bool after) {
  if (!c) {
    j.null();
    return;
  }
  j.open('{');
  j.key("nome").text(c->name);
  j.key("dichiarante").text(c->declarant);
  for (const Measure& m : ms) measureValue(j.key(m.key), m, after ? m.after : m.before);
  j.close('}');
}

void group(Json& j, const std::optional<RowGroup>& g) {
  if (!g) {
    j.null();
    return;
  }
  j.open('{');
  j.key("righi").integer(static_cast<std::int64_t>(g->payments.size()));
  j.key("versato").money(g->paid());
  j.key("versamenti").open('[');
  for (const RowPayment& p : g->payments) {
    j.open('{');
    j.key("data").text(p.date);
    j.key("versato").money(p.paid);
    j.close('}');
  }
  j.close(']');
  j.close('}');
}

void rowChange(Json& j, const RowChange& rc) {
  j.open('{');
  j.key("variazione").text(!rc.before ? "aggiunto" : !rc.after ? "tolto" : "variato");
  j.key("quadro").text(rc.key.part == Part::SV ? "SV" : "ST");
  j.key("lavoro_autonomo").boolean(rc.key.part == Part::SelfEmployment);
  j.key("sezione").text(std::string(1, rc.key.section));
  j.key("periodo").text(rc.key.period);
  j.key("codice_tributo").text(rc.key.code);
  group(j.key("prima"), rc.before);
  group(j.key("dopo"), rc.after);
  j.close('}');
}

void files(Json& j, const std::vector<FileFacts>& fs) {
  j.open('[');
  for (const FileFacts& f : fs) {
    j.open('{');
    j.key("nome").text(f.stem + std::string(inst::kExportExtension));
    j.key("lunghezza_record").integer(static_cast<std::int64_t>(f.recordLength));
    j.key("presente").boolean(f.present);
    j.key("record").integer(static_cast<std::int64_t>(f.records));
    j.close('}');
  }
  j.close(']');
}

}  // namespace

std::string reportJson(const ExportReport& r, bool details) {
  const bool compared = r.previous && r.previous->present;
  Json j;
  j.open('{');
  j.key("modello").text("770/" + std::string(ANNO770));
  j.key("origine").text(r.fromRun ? "esportazione" : "file");
  j.key("confronto").boolean(compared);
  j.key("precedente_non_leggibile").text(r.previousUnreadable);
  files(j.key("file"), r.current.files);
  if (compared)
    files(j.key("file_precedenti"), r.previous->files);
  else
    j.key("file_precedenti").null();
  j.key("ditte").open('[');
  for (const CompanyComparison& c : r.comparison) {
    const CompanySummary* before = c.before ? &*c.before : nullptr;
    const CompanySummary* after = c.after ? &*c.after : nullptr;
    const std::vector<Measure> ms = measures(before, after);
    j.open('{');
    j.key("codice").text(c.code);
    if (compared)
      j.key("stato").text(statusKey(c.status));
    else
      j.key("stato").null();
    summary(j.key("attuale"), after, ms, true);
    summary(j.key("precedente"), compared ? before : nullptr, ms, false);
    j.key("differenze");
    if (compared) {
      j.open('{');
      for (const Measure& m : ms)
        if (m.kind != Measure::Flag) {
          j.key(m.key);
          m.kind == Measure::Money ? j.money(m.difference()) : j.integer(m.difference());
        }
      j.close('}');
    } else {
      j.null();
    }
    const RowCounts n = countRows(c);
    j.key("gruppi_aggiunti").integer(static_cast<std::int64_t>(n.added));
    j.key("gruppi_tolti").integer(static_cast<std::int64_t>(n.removed));
    j.key("gruppi_variati").integer(static_cast<std::int64_t>(n.changed));
    if (details) {
      j.key("righi_variati").open('[');
      for (const RowChange& rc : c.rows) rowChange(j, rc);
      j.close(']');
    }
    j.close('}');
  }
  j.close(']');
  j.key("segnalazioni").open('[');
  for (const Warning& w : r.warnings) {
    j.open('{');
    j.key("tipo").text(warningKey(w.kind));
    j.key("ditta").text(w.company);
    j.key("periodo").text(w.period);
    j.key("numero").integer(static_cast<std::int64_t>(w.count));
    j.key("testo").text(w.text);
    j.close('}');
  }
  j.close(']');
  j.key("record_non_leggibili").open('[');
  for (const std::string& p : r.current.problems) j.text(p);
  if (r.previous)
    for (const std::string& p : r.previous->problems) j.text("precedente: " + p);
  j.close(']');
  j.close('}');
  return j.take();
}

}  // namespace zr::report
