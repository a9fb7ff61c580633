// The F24 record of a company and month as the payment-date check and the control lists reach
// it through the F24 index (base numbers 378 and 377, both open): the presence check and the
// read of a looked-up record, which refuses a buffer that would still hold another month.
#pragma once

#include <string>
#include <string_view>

namespace zr {

class App;

// Reads record `r` that the index gave for `key` into the F24X$ buffer. An index that did not
// answer (0) or an entry past the end of the archive shows "NON ESISTE F24 CON K <key> - FARE
// RIPRISTINO ISAM F24 -" and throws RunFailure: nothing of a stale buffer is ever used.
void readLookedUpF24(App& app, const std::string& key, double r);
// The same message and RunFailure for a record the caller cannot use (a void one), with why.
[[noreturn]] void f24IndexDamage(App& app, const std::string& key, const std::string& cause);

// The presence check: the first F24 record from the reference year on (key code & year & "00",
// next key) is the company's own; it is then in F24X$.
bool ownsFirstF24Record(App& app, std::string_view code);

}  // namespace zr
