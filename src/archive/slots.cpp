// The slot table, the ring of the last ten operations and the shared error routine.
#include <cmath>

#include "archive/archive.h"
#include "archive/runcache.h"

namespace zr {

namespace {

constexpr int kLastSlot = 600;
constexpr int kRingSize = 10;
constexpr std::int16_t kMaxFileNumber = 511;

constexpr std::string_view kTitle = "Korvante";

}  // namespace

ArchiveLib::ArchiveLib(platform::Files& files, platform::Ui& ui, platform::Clock& clock,
                       const Config& config, ErrorPolicy policy)
    : files_(files), ui_(ui), clock_(clock), config_(config), policy_(policy) {}

ArchiveLib::~ArchiveLib() = default;

int ArchiveLib::slot(double n) const {
  if (!(n >= 0 && n <= kLastSlot) || std::trunc(n) != n) throw RuntimeError::of(9);
  return static_cast<int>(n);
}

std::string& ArchiveLib::BUFFERREC(double n) {
  return buffer_[slot(n)];
}
double& ArchiveLib::LUNGREC(double n) {
  return length_[slot(n)];
}
std::int16_t ArchiveLib::NUMFILE(double n) const {
  return number_[slot(n)];
}

std::int16_t ArchiveLib::freeFileNumber() const {
  std::int16_t candidate = 1;
  for (const auto& [number, file] : open_) {  // the map is ordered by number
    if (number > candidate) break;
    if (number == candidate) ++candidate;
  }
  if (candidate > kMaxFileNumber) throw RuntimeError::of(67);
  return candidate;
}

void ArchiveLib::TRACCIAOPERAZIONE(std::string_view name) {
  if (ring_[ringPos_] == name) return;
  ringPos_ = ringPos_ >= kRingSize ? 1 : ringPos_ + 1;
  ring_[ringPos_].assign(name);  // reuses the slot's storage: no allocation once warmed up
}

std::vector<std::string> ArchiveLib::lastOperations() const {
  std::vector<std::string> lines;
  if (ringPos_ == 0) return lines;
  lines.reserve(kRingSize);
  int i = ringPos_;
  do {
    i = i >= kRingSize ? 1 : i + 1;
    lines.push_back(ring_[i]);
  } while (i != ringPos_);
  return lines;
}

ArchiveLib::ErrorAction ArchiveLib::GESTIONEERRORE(const RuntimeError& e) {
  using platform::Answer;
  using platform::Buttons;
  using platform::Icon;
  const auto number = static_cast<std::int16_t>(e.number());
  if (policy_ == ErrorPolicy::Throwing) {
    CHIUDIFILE(0);
    throw e;
  }
  if (number == 482) {
    if (ui_.ask("ERR.STAMPANTE - SI VUOLE RITENTARE ?", kTitle, Buttons::YesNo, Icon::Critical,
                Answer::No) == Answer::Yes) {
      return ErrorAction::Retry;
    }
    if (ui_.ask("CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)", kTitle,
                Buttons::YesNo, Icon::Exclamation, Answer::Yes) == Answer::No) {
      return ErrorAction::Continue;
    }
    CHIUDIFILE(0);
    throw ProgramEnd{3};
  }
  std::string text = "Errore " + std::to_string(number) + " " + e.description() + "\r\n";
  for (const auto& line : lastOperations()) text += line + "\r\n";
  ui_.message(text, std::string(kTitle) + " " + config_.projectExe, Icon::Critical);
  ui_.message("CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\r\nLANCIARE RIPRISTINO TASK", kTitle,
              Icon::Information);
  CHIUDIFILE(0);
  throw ProgramEnd{3};
}

void ArchiveLib::tellFailure(std::string_view text) {
  if (policy_ == ErrorPolicy::Throwing) throw ProgramStopped(std::string(text));
  ui_.message(text, config_.projectExe, platform::Icon::None);
}

void ArchiveLib::endProgram(std::string_view text, std::string_view title) {
  if (policy_ == ErrorPolicy::Interactive) ui_.message(text, title, platform::Icon::None);
  CHIUDIFILE(0);
  if (policy_ == ErrorPolicy::Throwing) throw ProgramStopped(std::string(text));
  throw ProgramEnd{3};
}

}  // namespace zr
