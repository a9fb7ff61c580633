// The report's comparison of two sets, company by company and row group by row group, and its
// warnings: those the records show and those the run's F24 notes show.
#include <algorithm>

#include "export/exportreport.h"
#include "platform/text.h"
#include "repository/amounts.h"

namespace zr::report {

namespace {

const std::string kRefYear(ANNORIFERIMENTO);
const std::string kNextJanuary = std::string(ANNO770) + "01";

bool sameSummary(const CompanySummary& a, const CompanySummary& b) {
  return a.front == b.front && a.substitute == b.substitute && a.declarant == b.declarant &&
         a.frontDigest == b.frontDigest && a.substituteDigest == b.substituteDigest &&
         a.st == b.st && a.stBySection == b.stBySection && a.sv == b.sv && a.sx == b.sx &&
         a.sxBoxes == b.sxBoxes && a.selfEmployment == b.selfEmployment;
}

// The row groups that differ between the two sets for one company. Rows with the same digest
// are the same rows: only a company whose rows changed is read again.
std::vector<RowChange> rowChanges(platform::Files& files, const SetSummary* before,
                                  const SetSummary& after, const std::string& code) {
  const auto rowsOf = [&](const SetSummary* s) {
    const auto it = s ? s->rows.find(code) : after.rows.end();
    return s && it != s->rows.end() ? std::make_pair(it->second.count, it->second.digest)
                                    : std::make_pair(std::uint64_t{0}, std::uint64_t{0});
  };
  if (rowsOf(before) == rowsOf(&after)) return {};
  std::map<RowKey, RowChange> changes;
  if (before)
    for (auto& [key, group] : rowGroupsOf(files, *before, code))
      changes[key] = {key, std::move(group), std::nullopt};
  for (auto& [key, group] : rowGroupsOf(files, after, code)) {
    auto [c, added] = changes.try_emplace(key, RowChange{key, std::nullopt, {}});
    c->second.after = std::move(group);
  }
  std::vector<RowChange> out;
  for (auto& [key, change] : changes)
    if (change.before != change.after) out.push_back(std::move(change));
  return out;
}

void warn(ExportReport& r, WarningKind kind, const std::string& company, std::string period,
          std::uint64_t count, std::string text) {
  const std::string where =
      "Ditta " + company + (period.empty() ? std::string() : " mese " + monthText(period));
  r.warnings.push_back({kind, company, std::move(period), count, where + ": " + text});
}

std::string rows(std::uint64_t n) {
  return std::to_string(n) + (n == 1 ? " rigo" : " righi");
}

void recordWarnings(ExportReport& r) {
  // Paid rows of the F24 without their payment date, counted by company and period.
  for (const auto& [where, count] : r.current.undated) {
    if (count <= 0) continue;
    const auto n = static_cast<std::uint64_t>(count);
    warn(r, WarningKind::UndatedPayment, where.first, where.second, n,
         rows(n) + " F24 con importo versato e data di versamento 00000000");
  }
  for (const auto& [code, c] : r.current.companies) {
    if (!c.substitute) continue;
    const auto d = r.current.companies.find(c.declarant);
    if (d == r.current.companies.end() || !d->second.front)
      warn(r, WarningKind::SubstituteWithoutDeclarant, code, {}, 0,
           "sostituto della ditta dichiarante " + c.declarant +
               ", che non ha il frontespizio in questa esportazione");
  }
}

void f24Warnings(ExportReport& r) {
  for (const auto& [code, notes] : r.f24) {
    // A company without any F24 record has nothing missing: it pays nothing through them.
    const bool anyOfYear = std::any_of(notes.periods.begin(), notes.periods.end(),
                                       [](const std::string& p) { return p.starts_with(kRefYear); });
    if (anyOfYear)
      for (int m = notes.shiftedYear ? 2 : 1; m <= 12; ++m) {
        const std::string period = kRefYear + (m < 10 ? "0" : "") + std::to_string(m);
        if (!notes.periods.count(period))
          warn(r, WarningKind::MissingMonth, code, period, 0,
               "nessun F24 registrato, mentre la ditta ne ha negli altri mesi");
      }
    if (notes.shiftedYear && !notes.periods.empty() && !notes.periods.count(kNextJanuary))
      warn(r, WarningKind::MissingNextJanuary, code, kNextJanuary, 0,
           "ditta ad anno spostato senza l'F24 di gennaio " + std::string(ANNO770));
    for (const auto& [period, n] : notes.skipped)
      warn(r, WarningKind::SkippedRows, code, period, n,
           rows(n) + " F24 " + (n == 1 ? "escluso" : "esclusi") + " perche' A + P = 0");
  }
}

}  // namespace

void completeReport(ExportReport& r, platform::Files& files) {
  r.comparison.clear();
  r.warnings.clear();
  std::set<std::string> codes;
  for (const auto& [code, c] : r.current.companies) codes.insert(code);
  const SetSummary* before = r.previous && r.previous->present ? &*r.previous : nullptr;
  if (before)
    for (const auto& [code, c] : before->companies) codes.insert(code);
  for (const std::string& code : codes) {
    CompanyComparison c;
    c.code = code;
    if (const auto it = r.current.companies.find(code); it != r.current.companies.end())
      c.after = it->second;
    if (before)
      if (const auto it = before->companies.find(code); it != before->companies.end())
        c.before = it->second;
    if (before) c.rows = rowChanges(files, before, r.current, code);
    if (!c.before)
      c.status = before ? Status::New : Status::Unchanged;
    else if (!c.after)
      c.status = Status::Gone;
    else
      c.status = sameSummary(*c.before, *c.after) && c.rows.empty() ? Status::Unchanged
                                                                    : Status::Changed;
    r.comparison.push_back(std::move(c));
  }
  recordWarnings(r);
  if (r.fromRun) f24Warnings(r);
  std::stable_sort(r.warnings.begin(), r.warnings.end(), [](const Warning& a, const Warning& b) {
    return std::tie(a.company, a.period) < std::tie(b.company, b.period);
  });
}

std::vector<Measure> measures(const CompanySummary* before, const CompanySummary* after) {
  using K = Measure::Kind;
  struct Of {
    std::string_view label, key;
    K kind;
    std::int64_t (*get)(const CompanySummary&);
  };
  static constexpr Of kOf[] = {
      {"Frontespizio", "frontespizio", K::Flag, [](const CompanySummary& c) -> std::int64_t { return c.front; }},
      {"Anagrafica sostituto", "sostituto", K::Flag, [](const CompanySummary& c) -> std::int64_t { return c.substitute; }},
      {"Quadro ST righi", "st_righi", K::Count, [](const CompanySummary& c) -> std::int64_t { return static_cast<std::int64_t>(c.st.records); }},
      {"Quadro ST versato", "st_versato", K::Money, [](const CompanySummary& c) { return c.st.paid; }},
      {"  di cui Erario (sez. 0)", "st_erario", K::Money, [](const CompanySummary& c) { return c.stBySection[0]; }},
      {"  di cui Regioni (sez. 1)", "st_regioni", K::Money, [](const CompanySummary& c) { return c.stBySection[1]; }},
      {"Quadro SV righi", "sv_righi", K::Count, [](const CompanySummary& c) -> std::int64_t { return static_cast<std::int64_t>(c.sv.records); }},
      {"Quadro SV versato", "sv_versato", K::Money, [](const CompanySummary& c) { return c.sv.paid; }},
      {"Quadro SX", "sx", K::Flag, [](const CompanySummary& c) -> std::int64_t { return c.sx; }},
      {"  SX pos. 80 (SX1)", "sx_80", K::Money, [](const CompanySummary& c) { return c.sxBoxes[0]; }},
      {"  SX pos. 94 (SX2)", "sx_94", K::Money, [](const CompanySummary& c) { return c.sxBoxes[1]; }},
      {"  SX pos. 136", "sx_136", K::Money, [](const CompanySummary& c) { return c.sxBoxes[2]; }},
      {"  SX pos. 192", "sx_192", K::Money, [](const CompanySummary& c) { return c.sxBoxes[3]; }},
      {"Lavoro autonomo righi", "autonomi_righi", K::Count, [](const CompanySummary& c) -> std::int64_t { return static_cast<std::int64_t>(c.selfEmployment.records); }},
      {"Lavoro autonomo versato", "autonomi_versato", K::Money, [](const CompanySummary& c) { return c.selfEmployment.paid; }},
  };
  std::vector<Measure> out;
  for (const Of& o : kOf)
    out.push_back({o.label, o.key, o.kind, before ? o.get(*before) : 0, after ? o.get(*after) : 0});
  return out;
}

RowCounts countRows(const CompanyComparison& c) {
  RowCounts n;
  for (const RowChange& r : c.rows) {
    if (!r.before)
      ++n.added;
    else if (!r.after)
      ++n.removed;
    else
      ++n.changed;
  }
  return n;
}

namespace {

std::string datesOf(const RowGroup& g) {
  std::string t;
  for (const RowPayment& p : g.payments) t += (t.empty() ? "" : ",") + p.date;
  return t;
}

std::string groupText(const RowGroup& g) {
  return rows(g.payments.size()) + " versato " + platform::trimmed(listMoney(g.paid())) +
         " data " + datesOf(g);
}

}  // namespace

std::string rowChangeText(const RowChange& change) {
  const RowKey& k = change.key;
  std::string where = partText(k.part);
  if (k.part == Part::ST) where += " sez." + std::string(1, k.section);
  where += " " + monthText(k.period) + " trib." + platform::trimmed(k.code);
  if (!change.before) return "+ " + where + ": aggiunti " + groupText(*change.after);
  if (!change.after) return "- " + where + ": tolti " + groupText(*change.before);
  const RowGroup& b = *change.before;
  const RowGroup& a = *change.after;
  std::string text = "* " + where + ":";
  if (b.payments.size() != a.payments.size())
    text += " righi " + std::to_string(b.payments.size()) + " -> " +
            std::to_string(a.payments.size()) + ";";
  if (b.paid() != a.paid())
    text += " versato " + platform::trimmed(listMoney(b.paid())) + " -> " +
            platform::trimmed(listMoney(a.paid())) + " (" + signedMoney(a.paid() - b.paid()) +
            ");";
  if (datesOf(b) != datesOf(a)) text += " data " + datesOf(b) + " -> " + datesOf(a) + ";";
  // Same count, sum and dates: the amounts moved between the dates.
  if (text.back() == ':') text += " importi ripartiti diversamente tra le date;";
  text.pop_back();
  return text;
}

std::string listMoney(Cents c) {
  return listAmount(static_cast<double>(c) / 100);
}

std::string signedMoney(Cents c) {
  const std::string t = platform::trimmed(listMoney(c));
  return c > 0 ? "+" + t : t;
}

std::string monthText(std::string_view period) {
  if (period.size() != 6) return std::string(period);
  return std::string(period.substr(4, 2)) + "/" + std::string(period.substr(0, 4));
}

std::string statusText(Status s) {
  switch (s) {
    case Status::New:
      return "NUOVA";
    case Status::Gone:
      return "NON PIU' PRESENTE";
    case Status::Changed:
      return "VARIATA";
    case Status::Unchanged:
      return "INVARIATA";
  }
  return {};
}

std::string partText(Part p) {
  switch (p) {
    case Part::ST:
      return "ST";
    case Part::SV:
      return "SV";
    case Part::SelfEmployment:
      return "ST LAV.AUT.";
  }
  return {};
}

}  // namespace zr::report
