// The summary of a set of export records: the run's as its producers write them, a set on disk
// from its files. Both go through the same reading of the records, by the producers' layouts.
#include "export/exportreport.h"

#include <algorithm>
#include <cmath>

#include "export/exportlayout.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace zr::report {

namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;

std::string trimmedText(std::string_view s) {
  return platform::trimmed(std::string(s));
}

// 64-bit FNV-1a: enough to tell that a record changed.
std::uint64_t digest(std::string_view bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

// An amount as the export files write it ("##########0.#0" right-aligned), in cents.
std::optional<Cents> amountOf(std::string_view field) {
  const std::string t = trimmedText(field);
  std::size_t i = 0;
  const bool negative = !t.empty() && t[0] == '-';
  if (negative) i = 1;
  const std::size_t comma = t.find(',');
  if (comma == std::string::npos || comma == i || t.size() - comma != 3) return std::nullopt;
  Cents value = 0;
  for (std::size_t k = i; k < t.size(); ++k) {
    if (k == comma) continue;
    if (t[k] < '0' || t[k] > '9') return std::nullopt;
    value = value * 10 + (t[k] - '0');
  }
  return negative ? -value : value;
}

// Reads one set's records into its summary.
class Summariser {
 public:
  explicit Summariser(SetSummary& out) : out_(out) {}

  void file(std::string_view stem, std::size_t length, std::string_view bytes, bool present) {
    FileFacts facts{std::string(stem), length, present, bytes.size() / length};
    if (bytes.size() % length != 0) {
      ++facts.records;
      out_.problems.push_back(std::string(stem) + std::string(inst::kExportExtension) +
                              ": l'ultimo record e' incompleto (" + std::to_string(bytes.size()) +
                              " caratteri, non un multiplo di " + std::to_string(length) + ")");
    }
    out_.files.push_back(facts);
    for (std::uint64_t n = 0; n < facts.records; ++n) {
      std::string record(bytes.substr(n * length, length));
      record.resize(length, ' ');
      this->record(stem, record, n + 1);
    }
  }

 private:
  void record(std::string_view stem, const std::string& r, std::uint64_t n) {
    file_ = std::string(stem) + std::string(inst::kExportExtension);
    recordNumber_ = n;
    CompanySummary& c = company(layout::kCompany.in(r));
    if (stem == inst::kFront.stem) {
      c.front = true;
      c.frontDigest = digest(r);
      const std::string surname = trimmedText(layout::front::kSurname.in(r));
      const std::string name = trimmedText(layout::front::kName.in(r));
      c.name = surname.empty() ? name : surname + " " + name;
    } else if (stem == inst::kSubstitutes.stem) {
      c.substitute = true;
      c.substituteDigest = digest(r);
      if (c.name.empty()) c.name = trimmedText(layout::substitute::kName.in(r));
      c.declarant = std::string(layout::substitute::kDeclarant.in(r));
    } else if (stem == inst::kQuadroST.stem) {
      quadroRow(c, r, false);
    } else if (stem == inst::kQuadroSV.stem) {
      quadroRow(c, r, true);
    } else if (stem == inst::kEmployeesFile.stem) {
      c.sx = true;
      const layout::Field boxes[] = {layout::sx::kSx1, layout::sx::kSx2, layout::sx::kEmployees,
                                     layout::sx::kSx1With6781};
      for (std::size_t b = 0; b < kSxBoxes.size(); ++b) c.sxBoxes[b] += amount(r, boxes[b]);
    }
  }

  void quadroRow(CompanySummary& c, const std::string& r, bool sv) {
    namespace st = layout::st;
    const auto at = [sv](layout::Field f) { return sv ? layout::sv(f) : f; };
    RowKey key;
    key.company = c.code;
    key.period = std::string(at(st::kPeriod).in(r));
    key.code = std::string(at(st::kTributeCode).in(r));
    const Cents paid = amount(r, at(st::kPaid));
    if (sv) {
      key.part = Part::SV;
      key.section = ' ';
      c.sv.records += 1;
      c.sv.paid += paid;
    } else if (st::kRowKind.in(r) == " ") {
      // The self-employment rows leave blank what the F24 rows mark "0".
      key.part = Part::SelfEmployment;
      c.selfEmployment.records += 1;
      c.selfEmployment.paid += paid;
    } else {
      key.section = st::kSection.in(r).empty() ? ' ' : st::kSection.in(r)[0];
      c.st.records += 1;
      c.st.paid += paid;
      if (key.section == '0' || key.section == '1') c.stBySection[key.section - '0'] += paid;
    }
    out_.rows[key].payments.push_back({std::string(at(st::kPaymentDate).in(r)), paid});
  }

  Cents amount(const std::string& r, layout::Field f) {
    if (const auto v = amountOf(f.in(r))) return *v;
    out_.problems.push_back(file_ + ", record " + std::to_string(recordNumber_) +
                            ": in posizione " + std::to_string(f.pos) + " \"" +
                            trimmedText(f.in(r)) + "\" non e' un importo");
    return 0;
  }

  CompanySummary& company(std::string_view code) {
    auto [it, added] = out_.companies.try_emplace(std::string(code));
    if (added) it->second.code = std::string(code);
    return it->second;
  }

  SetSummary& out_;
  std::string file_;
  std::uint64_t recordNumber_ = 0;
};

void sortRows(SetSummary& s) {
  for (auto& [key, group] : s.rows) std::sort(group.payments.begin(), group.payments.end());
}

}  // namespace

Cents RowGroup::paid() const {
  Cents sum = 0;
  for (const RowPayment& p : payments) sum += p.paid;
  return sum;
}

std::vector<inst::ExportFileFact> setFiles() {
  return {inst::kFront, inst::kSubstitutes, inst::kQuadroST, inst::kQuadroSV,
          inst::kEmployeesFile};
}

RunCollector::File& RunCollector::file(std::string_view stem) {
  for (File& f : files_)
    if (f.stem == stem) return f;
  files_.push_back({std::string(stem), 0, {}});
  return files_.back();
}

void RunCollector::fileCreated(std::string_view stem, std::size_t recordLength) {
  File& f = file(stem);
  f.recordLength = recordLength;
  f.bytes.clear();
}

void RunCollector::recordsWritten(std::string_view stem, double first, std::string_view bytes) {
  File& f = file(stem);
  if (f.recordLength == 0 || !(first >= 1)) return;
  const std::size_t at = static_cast<std::size_t>(first - 1) * f.recordLength;
  if (f.bytes.size() < at + bytes.size()) f.bytes.resize(at + bytes.size(), ' ');
  f.bytes.replace(at, bytes.size(), bytes);
}

void RunCollector::rowSkipped(std::string_view company, std::string_view period,
                              std::string_view) {
  f24_[std::string(company)].skipped[std::string(period)] += 1;
}

void RunCollector::f24Company(std::string_view company, bool shiftedYear) {
  f24_[std::string(company)].shiftedYear = shiftedYear;
}

void RunCollector::f24Read(std::string_view company, std::string_view period) {
  f24_[std::string(company)].periods.insert(std::string(period));
}

SetSummary RunCollector::summary() const {
  SetSummary s;
  s.present = true;
  Summariser read(s);
  for (const inst::ExportFileFact& fact : setFiles()) {
    const auto it = std::find_if(files_.begin(), files_.end(),
                                 [&](const File& f) { return f.stem == fact.stem; });
    if (it == files_.end()) {
      s.files.push_back({std::string(fact.stem), fact.length, false, 0});
      continue;
    }
    read.file(fact.stem, fact.length, it->bytes, true);
  }
  sortRows(s);
  return s;
}

SetSummary readSet(platform::Files& files, const std::string& folder) {
  SetSummary s;
  Summariser read(s);
  for (const inst::ExportFileFact& fact : setFiles()) {
    const std::string name =
        inst::inArchives(folder, std::string(fact.stem) + std::string(inst::kExportExtension));
    if (!files.exists(name)) {
      s.files.push_back({std::string(fact.stem), fact.length, false, 0});
      continue;
    }
    s.present = true;
    const auto file = files.open(name, platform::OpenMode::Read);
    std::string bytes;
    std::string block(kReadBlock, '\0');
    for (;;) {
      const std::size_t got = file->readAt(bytes.size(), block.data(), block.size());
      if (got == 0) break;
      bytes.append(block.data(), got);
    }
    read.file(fact.stem, fact.length, bytes, true);
  }
  sortRows(s);
  return s;
}

}  // namespace zr::report
