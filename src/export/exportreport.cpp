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

// A quadro record as a row group's member: its key and payment (cents and date).
struct QuadroRow {
  RowKey key;
  RowPayment payment;
};

// FNV-1a over the row's key and payment, fields apart.
std::uint64_t rowDigest(const QuadroRow& row) {
  const RowKey& k = row.key;
  std::uint64_t h = 1469598103934665603ull;
  const auto add = [&h](std::string_view bytes) {
    for (unsigned char c : bytes) {
      h ^= c;
      h *= 1099511628211ull;
    }
    h ^= 0x01;
    h *= 1099511628211ull;
  };
  const char kind[2] = {static_cast<char>('0' + static_cast<int>(k.part)), k.section};
  add(k.company);
  add(std::string_view(kind, 2));
  add(k.period);
  add(k.code);
  add(row.payment.date);
  const auto paid = static_cast<std::uint64_t>(row.payment.paid);
  return (h ^ paid) * 1099511628211ull;
}

// Reads one set's records into its summary, one record at a time. A record that a run rewrites
// is taken back (sign -1) before its new bytes count.
class Summariser {
 public:
  explicit Summariser(SetSummary& out) : out_(out) {}

  // Records laid end to end from record `first`; a cut last record counts, blank-padded.
  void records(std::string_view stem, std::size_t length, std::uint64_t first,
               std::string_view bytes, int sign = 1, bool placed = true) {
    std::string record;
    for (std::uint64_t at = 0, n = first; at < bytes.size(); at += length, ++n) {
      record.assign(bytes.substr(at, length));
      record.resize(length, ' ');
      this->record(stem, record, n, sign, placed);
    }
  }

  // The row of a quadro record (QUADST.V24 or QUADSV.V24); amounts that are not are problems.
  QuadroRow quadroRow(const std::string& r, bool sv) {
    namespace st = layout::st;
    const auto at = [sv](layout::Field f) { return sv ? layout::sv(f) : f; };
    QuadroRow row;
    RowKey& key = row.key;
    key.company = std::string(layout::kCompany.in(r));
    key.period = std::string(at(st::kPeriod).in(r));
    key.code = std::string(at(st::kTributeCode).in(r));
    if (sv) {
      key.part = Part::SV;
      key.section = ' ';
    } else if (st::kRowKind.in(r) == " ") {
      // The self-employment rows leave blank what the F24 rows mark "0".
      key.part = Part::SelfEmployment;
    } else {
      key.section = st::kSection.in(r).empty() ? ' ' : st::kSection.in(r)[0];
    }
    row.payment = {std::string(at(st::kPaymentDate).in(r)), amount(r, at(st::kPaid))};
    return row;
  }

  void quiet() { quiet_ = true; }
  void place(std::string_view stem, std::uint64_t n) {
    stem_ = stem;
    recordNumber_ = n;
  }

 private:
  void record(std::string_view stem, const std::string& r, std::uint64_t n, int sign,
              bool placed) {
    place(stem, n);
    // What is taken back was read, problems and all, when it was written.
    quiet_ = sign < 0;
    CompanySummary& c = company(layout::kCompany.in(r));
    if (stem == inst::kFront.stem) {
      if (sign < 0) return;  // its rewrite sets every field again
      c.front = true;
      c.frontDigest = digest(r);
      const std::string surname = trimmedText(layout::front::kSurname.in(r));
      const std::string name = trimmedText(layout::front::kName.in(r));
      c.name = surname.empty() ? name : surname + " " + name;
    } else if (stem == inst::kSubstitutes.stem) {
      if (sign < 0) return;
      c.substitute = true;
      c.substituteDigest = digest(r);
      if (c.name.empty()) c.name = trimmedText(layout::substitute::kName.in(r));
      c.declarant = std::string(layout::substitute::kDeclarant.in(r));
    } else if (stem == inst::kQuadroST.stem || stem == inst::kQuadroSV.stem) {
      quadroRecord(c, stem, quadroRow(r, stem == inst::kQuadroSV.stem), n, sign, placed);
    } else if (stem == inst::kEmployeesFile.stem) {
      c.sx = true;
      const layout::Field boxes[] = {layout::sx::kSx1, layout::sx::kSx2, layout::sx::kEmployees,
                                     layout::sx::kSx1With6781};
      for (std::size_t b = 0; b < kSxBoxes.size(); ++b) c.sxBoxes[b] += sign * amount(r, boxes[b]);
    }
  }

  void quadroRecord(CompanySummary& c, std::string_view stem, const QuadroRow& row,
                    std::uint64_t n, int sign, bool placed) {
    const Cents paid = sign * row.payment.paid;
    Quadro& q = row.key.part == Part::SV               ? c.sv
                : row.key.part == Part::SelfEmployment ? c.selfEmployment
                                                       : c.st;
    q.records += static_cast<std::uint64_t>(sign);
    q.paid += paid;
    if (row.key.part == Part::ST && (row.key.section == '0' || row.key.section == '1'))
      c.stBySection[row.key.section - '0'] += paid;
    if (row.key.part != Part::SelfEmployment && row.payment.paid != 0 &&
        row.payment.date == "00000000")
      out_.undated[{row.key.company, row.key.period}] += sign;
    CompanyRows& rows = out_.rows[c.code];
    rows.count += static_cast<std::uint64_t>(sign);
    rows.digest += static_cast<std::uint64_t>(sign) * rowDigest(row);
    if (!placed) return;
    auto at = rows.ranges.find(stem);
    if (at == rows.ranges.end()) at = rows.ranges.try_emplace(std::string(stem)).first;
    std::vector<RecordRange>& ranges = at->second;
    if (!ranges.empty() && ranges.back().last + 1 == n)
      ranges.back().last = n;
    else
      ranges.push_back({n, n});
  }

  Cents amount(const std::string& r, layout::Field f) {
    if (const auto v = amountOf(f.in(r))) return *v;
    if (!quiet_)
      out_.problems.push_back(std::string(stem_) + std::string(inst::kExportExtension) +
                              ", record " + std::to_string(recordNumber_) +
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
  std::string_view stem_;
  std::uint64_t recordNumber_ = 0;
  bool quiet_ = false;
};

// The problem of a file whose last record is cut short.
std::string cutRecordProblem(std::string_view stem, std::uint64_t bytes, std::size_t length) {
  return std::string(stem) + std::string(inst::kExportExtension) +
         ": l'ultimo record e' incompleto (" + std::to_string(bytes) +
         " caratteri, non un multiplo di " + std::to_string(length) + ")";
}

// Whole records of `length` from record `first` to `last` (0: to the end), a block at a time.
template <typename Each>
std::uint64_t readRecords(platform::File& file, std::size_t length, std::uint64_t first,
                          std::uint64_t last, const Each& each) {
  const std::size_t perBlock = std::max<std::size_t>(1, kReadBlock / length);
  std::string block(perBlock * length, '\0');
  std::uint64_t bytes = 0;
  for (std::uint64_t n = first; last == 0 || n <= last;) {
    std::size_t want = block.size();
    if (last != 0) want = static_cast<std::size_t>(std::min<std::uint64_t>(perBlock, last - n + 1)) * length;
    const std::size_t got = platform::readFully(file, (n - 1) * length, block.data(), want);
    if (got == 0) break;
    each(n, std::string_view(block.data(), got));
    bytes += got;
    n += (got + length - 1) / length;
    if (got < want) break;
  }
  return bytes;
}

// Companies of a stem's partial summary joined into the whole: each field comes from one file.
void mergeCompany(CompanySummary& into, const CompanySummary& c) {
  if (into.name.empty()) into.name = c.name;
  if (c.front) {
    into.front = true;
    into.frontDigest = c.frontDigest;
  }
  if (c.substitute) {
    into.substitute = true;
    into.substituteDigest = c.substituteDigest;
    into.declarant = c.declarant;
  }
  const auto add = [](Quadro& a, const Quadro& b) {
    a.records += b.records;
    a.paid += b.paid;
  };
  add(into.st, c.st);
  add(into.sv, c.sv);
  add(into.selfEmployment, c.selfEmployment);
  for (std::size_t i = 0; i < into.stBySection.size(); ++i) into.stBySection[i] += c.stBySection[i];
  into.sx = into.sx || c.sx;
  for (std::size_t i = 0; i < into.sxBoxes.size(); ++i) into.sxBoxes[i] += c.sxBoxes[i];
}

void merge(SetSummary& into, const SetSummary& part) {
  for (const auto& [code, c] : part.companies) {
    auto [it, added] = into.companies.try_emplace(code, c);
    if (!added) mergeCompany(it->second, c);
  }
  for (const auto& [code, rows] : part.rows) {
    CompanyRows& r = into.rows[code];
    r.count += rows.count;
    r.digest += rows.digest;
    for (const auto& [stem, ranges] : rows.ranges) r.ranges[stem] = ranges;
  }
  for (const auto& [where, n] : part.undated) into.undated[where] += n;
  into.problems.insert(into.problems.end(), part.problems.begin(), part.problems.end());
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

// One file of the run: its summary so far, kept apart so that a file created afresh starts over.
struct RunCollector::File {
  std::string stem;
  std::size_t recordLength = 0;
  std::uint64_t bytes = 0;  // the file's length as written
  SetSummary summary;
};

RunCollector::RunCollector() = default;
RunCollector::~RunCollector() = default;

RunCollector::File& RunCollector::file(std::string_view stem) {
  for (auto& f : files_)
    if (f->stem == stem) return *f;
  files_.push_back(std::make_unique<File>());
  files_.back()->stem = stem;
  return *files_.back();
}

void RunCollector::fileCreated(std::string_view stem, std::size_t recordLength) {
  File& f = file(stem);
  f.recordLength = recordLength;
  f.bytes = 0;
  f.summary = SetSummary{};
}

void RunCollector::recordsWritten(std::string_view stem, double first, std::string_view bytes,
                                  std::string_view replaced) {
  File& f = file(stem);
  if (f.recordLength == 0 || !(first >= 1)) return;
  const auto n = static_cast<std::uint64_t>(first);
  Summariser read(f.summary);
  if (!replaced.empty()) {
    read.records(stem, f.recordLength, n, replaced, -1, false);
    read.records(stem, f.recordLength, n, bytes.substr(0, replaced.size()), 1, false);
  }
  if (bytes.size() > replaced.size())
    read.records(stem, f.recordLength, n + replaced.size() / f.recordLength,
                 bytes.substr(replaced.size()));
  f.bytes = std::max<std::uint64_t>(f.bytes, (n - 1) * f.recordLength + bytes.size());
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

SetSummary RunCollector::summary(const std::map<std::string, std::string>& paths) const {
  SetSummary s;
  s.present = true;
  s.paths = paths;
  for (const inst::ExportFileFact& fact : setFiles()) {
    const auto it = std::find_if(files_.begin(), files_.end(),
                                 [&](const auto& f) { return f->stem == fact.stem; });
    if (it == files_.end()) {
      s.files.push_back({std::string(fact.stem), fact.length, false, 0});
      continue;
    }
    const File& f = **it;
    s.files.push_back({std::string(fact.stem), fact.length, true,
                       (f.bytes + fact.length - 1) / fact.length});
    merge(s, f.summary);
  }
  return s;
}

SetSummary readSet(platform::Files& files, const std::string& folder) {
  SetSummary s;
  for (const inst::ExportFileFact& fact : setFiles()) {
    const std::string name =
        inst::inArchives(folder, std::string(fact.stem) + std::string(inst::kExportExtension));
    if (!files.exists(name)) {
      s.files.push_back({std::string(fact.stem), fact.length, false, 0});
      continue;
    }
    s.present = true;
    s.paths[std::string(fact.stem)] = name;
    SetSummary part;
    Summariser read(part);
    const auto file = files.open(name, platform::OpenMode::Read);
    const std::uint64_t bytes =
        readRecords(*file, fact.length, 1, 0, [&](std::uint64_t n, std::string_view block) {
          read.records(fact.stem, fact.length, n, block);
        });
    FileFacts facts{std::string(fact.stem), fact.length, true, bytes / fact.length};
    if (bytes % fact.length != 0) {
      ++facts.records;
      s.problems.push_back(cutRecordProblem(fact.stem, bytes, fact.length));
    }
    s.files.push_back(facts);
    merge(s, part);
  }
  return s;
}

std::map<RowKey, RowGroup> rowGroupsOf(platform::Files& files, const SetSummary& set,
                                       const std::string& company) {
  std::map<RowKey, RowGroup> groups;
  const auto rows = set.rows.find(company);
  if (rows == set.rows.end()) return groups;
  SetSummary scratch;
  Summariser read(scratch);
  read.quiet();  // the summary reported them
  for (const auto& [stem, ranges] : rows->second.ranges) {
    const auto path = set.paths.find(stem);
    if (path == set.paths.end()) continue;
    const bool sv = stem == inst::kQuadroSV.stem;
    const std::size_t length = sv ? inst::kQuadroSV.length : inst::kQuadroST.length;
    const auto file = files.open(path->second, platform::OpenMode::Read);
    std::string record;
    for (const RecordRange& range : ranges)
      readRecords(*file, length, range.first, range.last, [&](std::uint64_t, std::string_view b) {
        for (std::size_t at = 0; at < b.size(); at += length) {
          record.assign(b.substr(at, length));
          record.resize(length, ' ');
          QuadroRow row = read.quadroRow(record, sv);
          groups[row.key].payments.push_back(std::move(row.payment));
        }
      });
  }
  for (auto& [key, group] : groups) std::sort(group.payments.begin(), group.payments.end());
  return groups;
}

}  // namespace zr::report
