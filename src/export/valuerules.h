// Small value rules shared by the producers that build fixed-length export records: trimming,
// placement, the fiscal-code, date, joined-text, digits and non-zero rules. Pure functions on
// CP1252 bytes; they touch no file and no state.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "export/exportlayout.h"
#include "platform/text.h"

namespace zr::exportrules {

// Without leading and trailing blanks (blanks only, as the record fields hold them).
using platform::trimmed;
// Padded with blanks or cut to n characters.
std::string padCut(std::string_view s, std::size_t n);
// Writes value at 1-based position pos of record, cut to len; a shorter value leaves the rest
// of the field as it was (blank in a fresh record).
void put(std::string& record, std::size_t pos, std::size_t len, std::string_view value);

// An amount whose text is wider than its field: the run fails rather than file a cut, plausible
// and wrong amount.
class AmountTooWide : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// Writes the export amount of value (picture "##########0.#0", right-aligned in 14) at 1-based
// position pos. A text wider than 14 throws AmountTooWide naming the file, the field's
// position and the amount.
void putAmount(std::string& record, std::size_t pos, double value, std::string_view file);
// The same at a field of the record layouts.
inline void put(std::string& record, layout::Field f, std::string_view value) {
  put(record, f.pos, f.len, value);
}
inline void putAmount(std::string& record, layout::Field f, double value, std::string_view file) {
  putAmount(record, f.pos, value, file);
}

// T012 trimmed, else T013 trimmed, padded or cut to 16.
std::string fiscalCode(std::string_view t012, std::string_view t013);
// DDMMYYYY -> YYYYMMDD, each part trimmed and zero-filled on the left; empty -> "00000000".
std::string dateYmd(std::string_view ddmmyyyy);
// The F24 payment date DDMMYYYY as YYYYMMDD: the parts rearranged, then Right("00000000" &
// Trim(that), 8) when all eight characters are digits, else "00000000" ("  032023" gives
// "00202303"; a date with a letter, or a blank one, "00000000").
std::string paymentDateYmd(std::string_view ddmmyyyy);
// Left(Trim(code) & 4 blanks, 4): a tribute code as the quadro records hold it.
std::string tributeCode(std::string_view code);
// Right("00" & n, 2) for n from 0 to 99: a month or a region number.
std::string twoDigits(int n);
// Right("0000" & n, 4): a progressive number, its last four digits.
std::string progressive4(std::uint64_t n);

// The values, each trimmed, concatenated and padded or cut to n.
std::string joined(std::initializer_list<std::string_view> values, std::size_t n);
// Telephone numbers: the digits of the trimmed values in order, padded or cut to 20; blank
// when there are none or when they are all zeros.
std::string digits20(std::initializer_list<std::string_view> values);
// The trimmed value, or "" when it is made only of zeros.
std::string nonZero(std::string_view value);

}  // namespace zr::exportrules
