#include "platform/text.h"
#include "shell/companywalk.h"

#include <string_view>

#include "platform/numtext.h"
#include "shell/app.h"
#include "shell/runfailure.h"
#include "shell/startup.h"

namespace zr {

namespace {

constexpr double kCompanyBase = 1;
constexpr std::size_t kCodeAndName = 34;  // columns 1-34 of a line: code, blank, name

CompanyRecord readCompany(App& app, std::string_view code) {
  if (app.lib.LEGGIREC(kCompanyBase, platform::valNumber(code)) == 1) return CompanyRecord::Missing;
  app.repo.DITX() = app.lib.BUFFERREC(kCompanyBase);
  return app.repo.DITX().starts_with("99") ? CompanyRecord::Void : CompanyRecord::Present;
}

}  // namespace

void walkSelectedCompanies(App& app, CompanyRead read,
                           const std::function<void(const SelectedCompany&)>& visit,
                           RunPlace* place) {
  MainForm& form = app.form;
  for (std::size_t i = 0; i < form.List1.size(); ++i) {
    form.listIndex = static_cast<int>(i);
    if (!form.isSelected(i)) continue;
    const std::string& line = form.List1[i];
    SelectedCompany company{i, line.substr(0, 3), platform::trimmed(line.substr(0, kCodeAndName)),
                            CompanyRecord::NotRead};
    if (place) place->company = company.name;
    stopIfInterrupted(app, company.name);
    if (read == CompanyRead::ByCode) company.record = readCompany(app, company.code);
    visit(company);
  }
  if (place) place->company.clear();
}

bool findFirstSelected(MainForm& form) {
  for (std::size_t i = 0; i < form.List1.size(); ++i) {
    form.listIndex = static_cast<int>(i);
    if (form.isSelected(i)) return true;
  }
  return false;
}

bool checkSelection(App& app) {
  MainForm& form = app.form;
  app.flags.ERRORELISTA = findFirstSelected(form) ? 0 : 1;
  if (app.flags.ERRORELISTA == 0) return true;
  if (!form.List1.empty()) form.listIndex = 0;
  app.ui().message("Nessuna ditta selezionata", form.caption, platform::Icon::Information);
  return false;
}

}  // namespace zr
