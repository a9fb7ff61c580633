#include "shell/f24read.h"

#include "archive/installation.h"
#include "archive/isam.h"
#include "platform/numtext.h"
#include "repository/descriptors.h"
#include "shell/app.h"
#include "shell/runfailure.h"

namespace zr {

namespace {
constexpr double kEndOfIndex = 999999;
}  // namespace

void f24IndexDamage(App& app, const std::string& key, const std::string& cause) {
  app.ui().message("NON ESISTE F24 CON K " + key + " - FARE RIPRISTINO ISAM F24 -",
                   app.form.caption, platform::Icon::Exclamation);
  throw RunFailure({}, "indice F24 danneggiato: la chiave " + key + " " + cause +
                           "; ripristinare l'indice F24 (base 378) e rilanciare");
}

void readLookedUpF24(App& app, const std::string& key, double r) {
  if (r == 0) f24IndexDamage(app, key, "non ha avuto risposta dall'indice");
  if (app.lib.LEGGIREC(inst::kF24, r) == 1)
    f24IndexDamage(app, key,
                   "rimanda al record " + platform::shortText(r) +
                       " oltre la fine dell'archivio F24");
  app.repo.F24X() = app.lib.BUFFERREC(inst::kF24);
}

bool ownsFirstF24Record(App& app, std::string_view code) {
  const std::string key = std::string(code) + std::string(ANNORIFERIMENTO) + "00";
  const double r = CERCAISAM(app.lib, inst::kF24Index, key, 4, 0);
  if (r == kEndOfIndex || r == -1) return false;
  readLookedUpF24(app, key, r);
  return app.repo.STRCOSTANTE(desc::A001) == code;
}

}  // namespace zr
