// Field values and the engine: a database file is handed to the backend its header names.
#include "platform/database.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/database_sqlite.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace zr::platform {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The leading number of a text: blanks, sign, digits, one decimal point or comma, exponent;
// whatever follows is ignored and a text without digits is 0.
double leadingNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  std::string digits;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) digits += s[i++];
  bool any = false;
  while (i < s.size() && isDigit(s[i])) digits += s[i++], any = true;
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    ++i;
    digits += '.';
    while (i < s.size() && isDigit(s[i])) digits += s[i++], any = true;
  }
  if (!any) return 0;
  if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (s[j] == '+' || s[j] == '-') exp += s[j++];
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) exp += s[j++];
      digits += exp;
    }
  }
  double v = 0;
  const char* first = digits.data() + (digits[0] == '+' ? 1 : 0);
  auto [p, ec] = std::from_chars(first, digits.data() + digits.size(), v);
  if (ec == std::errc::result_out_of_range) {
    return digits[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  }
  return v;
}

}  // namespace

double Value::asNumber() const {
  if (const double* n = std::get_if<double>(&v_)) return *n;
  if (const std::string* s = std::get_if<std::string>(&v_)) return leadingNumber(*s);
  return 0;
}

std::string Value::asText() const {
  if (const std::string* s = std::get_if<std::string>(&v_)) return *s;
  const double* n = std::get_if<double>(&v_);
  if (!n) return {};
  if (*n == 0) return "0";      // also -0
  std::array<char, 400> buf{};  // fixed notation of the largest double fits
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), *n, std::chars_format::fixed);
  if (ec != std::errc{}) return std::to_string(*n);
  return std::string(buf.data(), end);
}

namespace {

constexpr std::size_t kHeaderBytes = 32;

bool isSqlite(std::string_view header) {
  return header.substr(0, 16) == std::string_view("SQLite format 3\0", 16);
}

bool isJet(std::string_view header) {
  std::string_view tag = header.size() > 4 ? header.substr(4) : std::string_view{};
  return tag.starts_with(std::string_view("Standard Jet DB")) ||
         tag.starts_with(std::string_view("Standard ACE DB"));
}

std::unique_ptr<Database> refuseJet(Files&, const std::string& path) {
  throw RuntimeError(3343, classicDescription(3343) + ": " + path +
                               " (Access databases are not readable in this version)");
}

std::unique_ptr<Database> openSqlite(Files& files, const std::string& path) {
  return sqlitedb::openFile(files, path);
}

// Every format the engine knows, recognised by the file's first bytes.
struct Format {
  bool (*recognises)(std::string_view header);
  std::unique_ptr<Database> (*open)(Files& files, const std::string& path);
};

constexpr std::array kFormats{
    Format{isSqlite, openSqlite},
    Format{isJet, refuseJet},
};

class Engine : public DatabaseEngine {
 public:
  explicit Engine(Files& files) : files_(files) {}

  std::unique_ptr<Database> open(std::string_view pathView) override {
    std::string path(pathView);
    if (!files_.exists(path)) throw RuntimeError::of(3024, path);
    std::string header(kHeaderBytes, '\0');
    header.resize(files_.open(path, OpenMode::Read)->readAt(0, header.data(), kHeaderBytes));
    for (const Format& f : kFormats) {
      if (f.recognises(header)) return f.open(files_, path);
    }
    throw RuntimeError::of(3343, path);
  }

 private:
  Files& files_;
};

}  // namespace

std::unique_ptr<DatabaseEngine> makeDatabaseEngine(Files& files) {
  return std::make_unique<Engine>(files);
}

}  // namespace zr::platform
