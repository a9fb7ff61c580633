#include "export/exportrun.h"

#include "archive/installation.h"

namespace zr {

void openExportArchives(App& app, ExportFiles& files, RunPlace& place) {
  app.lib.CHIUDIFILE(0);
  files.closeAll();
  for (int base : inst::kExportBases) {
    place.enterStep("apertura archivio base " + std::to_string(base));
    app.lib.FAIOPEN(base);
  }
}

void requireCompanyRecord(const SelectedCompany& selected) {
  if (selected.record == CompanyRecord::Missing)
    throw ExportFailure(selected.name, "il record dell'azienda " + selected.code +
                                           " non e' piu' presente nell'archivio aziende");
}

}  // namespace zr
