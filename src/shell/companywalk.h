// The walk over the companies selected in List1, which every export producer, the payment-date
// check and the lists make: each selected line in list order, made current, with its company
// record read into the DITX$ buffer when the caller asks for it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace zr {

class App;
struct MainForm;
struct RunPlace;

// Whether the walk reads each selected company's record (its record number is its code).
enum class CompanyRead { No, ByCode };

enum class CompanyRecord {
  NotRead,  // CompanyRead::No
  Present,  // the DITX$ buffer holds the company's record
  Missing,  // the company archive ends before the line's code
  Void,     // the record begins with "99" (a deleted company); DITX$ holds it
};

struct SelectedCompany {
  std::size_t line;  // index in List1
  std::string code;  // columns 1-3
  std::string name;  // columns 1-34 trimmed: code and name, as messages name the company
  CompanyRecord record;
};

// Makes every line of List1 current in list order and hands each selected one to `visit`.
// With CompanyRead::ByCode the company archive (base number 1) must be open; a missing or void
// record goes to `visit` too, which decides. `place`, when given, names the company in hand
// while it is visited and none once the walk is over; a visit that throws leaves its company
// in hand, so that the failure message names it.
void walkSelectedCompanies(App& app, CompanyRead read,
                           const std::function<void(const SelectedCompany&)>& visit,
                           RunPlace* place = nullptr);

// Makes the lines current from the first until one is selected; false when none is.
bool findFirstSelected(MainForm& form);

// A command's selection check: ERRORELISTA 0 when a line is selected; else ERRORELISTA 1, the
// first line made current and "Nessuna ditta selezionata" shown, and false.
bool checkSelection(App& app);

}  // namespace zr
