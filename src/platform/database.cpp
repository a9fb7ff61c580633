// Field values and the engine: a database file is handed to the backend its header names.
#include "platform/database.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/database_jet.h"
#include "platform/database_sqlite.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/numtext.h"

namespace zr::platform {

double Value::asNumber() const {
  if (const double* n = std::get_if<double>(&v_)) return *n;
  if (const std::string* s = std::get_if<std::string>(&v_)) return fieldNumber(*s);
  return 0;
}

std::string Value::asText() const {
  if (const std::string* s = std::get_if<std::string>(&v_)) return *s;
  const double* n = std::get_if<double>(&v_);
  return n ? decimalText(*n) : std::string();
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

std::unique_ptr<Database> openJet(Files& files, const std::string& path, const JetOptions& jet) {
  return jet::openFile(files, path, jet);
}

std::unique_ptr<Database> openSqlite(Files& files, const std::string& path, const JetOptions&) {
  return sqlitedb::openFile(files, path);
}

// Every format the engine knows, recognised by the file's first bytes.
struct Format {
  bool (*recognises)(std::string_view header);
  std::unique_ptr<Database> (*open)(Files& files, const std::string& path, const JetOptions& jet);
};

constexpr std::array kFormats{
    Format{isSqlite, openSqlite},
    Format{isJet, openJet},
};

class Engine : public DatabaseEngine {
 public:
  Engine(Files& files, JetOptions jet) : files_(files), jet_(std::move(jet)) {}

  std::unique_ptr<Database> open(std::string_view pathView) override {
    std::string path(pathView);
    if (!files_.exists(path)) throw RuntimeError::of(3024, path);
    std::string header(kHeaderBytes, '\0');
    header.resize(readFully(*files_.open(path, OpenMode::Read), 0, header.data(), kHeaderBytes));
    for (const Format& f : kFormats) {
      if (f.recognises(header)) return f.open(files_, path, jet_);
    }
    throw RuntimeError::of(3343, path);
  }

 private:
  Files& files_;
  JetOptions jet_;
};

}  // namespace

std::unique_ptr<DatabaseEngine> makeDatabaseEngine(Files& files, JetOptions jet) {
  return std::make_unique<Engine>(files, std::move(jet));
}

}  // namespace zr::platform
