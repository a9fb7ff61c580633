#include "export/valuerules.h"

#include <algorithm>

#include "repository/amounts.h"

namespace zr::exportrules {

std::string padCut(std::string_view s, std::size_t n) {
  std::string out(s.substr(0, n));
  out.resize(n, ' ');
  return out;
}

void put(std::string& record, std::size_t pos, std::size_t len, std::string_view value) {
  if (pos == 0 || pos > record.size()) return;
  const std::size_t room = std::min(len, record.size() - (pos - 1));
  const std::size_t n = std::min(room, value.size());
  record.replace(pos - 1, n, value.substr(0, n));
}

void putAmount(std::string& record, std::size_t pos, double value, std::string_view file) {
  constexpr std::size_t kWidth = 14;
  const std::string text = exportAmount(value);
  if (text.size() > kWidth)
    throw AmountTooWide("importo " + text + " piu' largo delle " + std::to_string(kWidth) +
                        " posizioni del campo in posizione " + std::to_string(pos) +
                        " del file " + std::string(file));
  put(record, pos, kWidth, text);
}

std::string fiscalCode(std::string_view t012, std::string_view t013) {
  std::string code = trimmed(t012);
  if (code.empty()) code = trimmed(t013);
  return padCut(code, 16);
}

namespace {

std::string zeroFilled(std::string_view part, std::size_t width) {
  std::string t = trimmed(part);
  if (t.size() < width) t.insert(0, width - t.size(), '0');
  return t;
}

std::string_view slice(std::string_view s, std::size_t from, std::size_t n) {
  return from < s.size() ? s.substr(from, n) : std::string_view{};
}

}  // namespace

std::string dateYmd(std::string_view ddmmyyyy) {
  if (trimmed(ddmmyyyy).empty()) return "00000000";
  return zeroFilled(slice(ddmmyyyy, 4, 4), 4) + zeroFilled(slice(ddmmyyyy, 2, 2), 2) +
         zeroFilled(slice(ddmmyyyy, 0, 2), 2);
}

std::string paymentDateYmd(std::string_view ddmmyyyy) {
  const std::string rearranged = std::string(slice(ddmmyyyy, 4, 4)) +
                                 std::string(slice(ddmmyyyy, 2, 2)) +
                                 std::string(slice(ddmmyyyy, 0, 2));
  std::string t = "00000000" + trimmed(rearranged);
  t = t.substr(t.size() - 8);
  const bool digits = std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  return digits ? t : "00000000";
}

std::string tributeCode(std::string_view code) {
  return padCut(trimmed(code), 4);
}

std::string twoDigits(int n) {
  return std::string(n < 10 ? "0" : "") + std::to_string(n);
}

std::string progressive4(std::uint64_t n) {
  const std::string t = "0000" + std::to_string(n);
  return t.substr(t.size() - 4);
}

std::string joined(std::initializer_list<std::string_view> values, std::size_t n) {
  std::string all;
  for (std::string_view v : values) all += trimmed(v);
  return padCut(all, n);
}

std::string digits20(std::initializer_list<std::string_view> values) {
  const std::string blank(20, ' ');
  std::string all;
  for (std::string_view v : values) all += trimmed(v);
  if (trimmed(all).empty()) return blank;
  std::string digits;
  for (char c : all)
    if (c >= '0' && c <= '9') digits += c;
  digits = padCut(digits, 20);
  const std::string t = trimmed(digits);
  if (t.empty() || t.find_first_not_of('0') == std::string::npos) return blank;
  return digits;
}

std::string nonZero(std::string_view value) {
  std::string t = trimmed(value);
  if (t.find_first_not_of('0') == std::string::npos) return {};
  return t;
}

}  // namespace zr::exportrules
