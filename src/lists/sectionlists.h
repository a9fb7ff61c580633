// The control lists of the F24 payments: the Erario, Regioni and Comuni sections (debit and
// credit by month and tribute code) and the SX credits (two columns), one family over the
// selected companies, their twelve months of the reference year and the keyed code totals.
#pragma once

namespace zr {

class App;
class ListPrinter;

enum class ControlList { Erario, Regioni, Comuni, Sx };

// Prints one list for the companies selected in List1 on `printer`. Archives and databases are
// open only inside; an index that leads nowhere stops the list (RunFailure) after its message.
void printControlList(App& app, ControlList list, ListPrinter& printer);

}  // namespace zr
