// The front page and substitute files of a small installation, compared byte for byte with
// records laid out by hand below, field by field.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "export/installation.h"

namespace zr::exporttest {
namespace {

// Company fields by id, set in a chain.
struct Fields {
  std::map<std::string, std::string> values;
  Fields& operator()(const std::string& id, const std::string& value) {
    values[id] = value;
    return *this;
  }
};

const std::string kZero14 = std::string(13, ' ') + "0";

// The front page's fixed fields, the same for every company.
Rec frontPage() {
  Rec r(1964);
  r.at(134, "00").at(426, "00000000").at(434, "000000").at(532, "000000");
  r.at(773, kZero14).at(787, kZero14).at(801, "00").at(824, "00").at(826, "00000000");
  r.at(850, "00").at(1002, "0").at(1004, "0").at(1005, std::string(28, '0'));
  r.at(1033, "00").at(1051, "00").at(1053, kZero14).at(1067, "0").at(1068, kZero14);
  r.at(1082, "000").at(1154, std::string(16, '0')).at(1193, "0").at(1602, "0000000");
  r.at(1625, "0").at(1749, "0000");
  for (std::size_t block = 1757; block < 1961; block += 68) r.at(block + 16, "0");
  r.at(1963, "00");
  return r;
}

// 001: a company (T023 blank) with no fiscal code of its own, only its VAT number.
demo::CompanyRecord alfa() {
  Fields f;
  f("T002", "ALFA COSTRUZIONI")("T003", "SRL")("T103", "EDILIZIA")("T013", "01234567890");
  f("T021", "NONUSATO")("T411", "A")("T014", "412000")("T223", "02")("T224", "123-4567");
  f("T289", "0000")("T302", "000")("T491", "INFO@ALFA.IT")("T022A", "")("T148", "1");
  f("T149", "02")("T150", "3")("T081", "RSSMRA70A01F205X")("T631", "01")("T082", "ROSSI");
  f("T083", "MARIO")("T084", "M")("T085", "01011970")("T087", "MILANO")("T734", "CENTRO");
  f("T088", "00")("T483", "000")("T089", "MILANO")("T735", "DUOMO")("T353", "02");
  f("T354", "98.76.54")("T348", "MARIO ROSSI")("T409", "15032023");
  return company(1, f.values);
}
std::string alfaFront() {
  Rec r = frontPage();
  r.at(1, "001").at(4, "01234567890     ");
  r.at(74, "ALFA COSTRUZIONISRLEDILIZIA");                // T002, T003, T103 joined
  r.at(136, "A").at(137, "412000").at(143, "021234567");  // 163-182 blank: only zeros
  r.at(183, "INFO@ALFA.IT");                              // T302 "000" left out
  r.at(325, "00000000");                                  // blank T022
  r.at(538, "1").at(539, "02").at(541, "3").at(558, "RSSMRA70A01F205X").at(574, "01");
  r.at(576, "ROSSI").at(600, "MARIO").at(620, "M").at(621, "19700101");
  r.at(629, "MILANOCENTRO");  // 669-670 blank for "00"; 671-710 blank for T483 "000"
  r.at(753, "02987654");
  r.at(902, "MARIO ROSSI").at(1003, "1");
  r.at(1554, "20230315").at(1562, "00000000");
  return r.str();
}

// 002: a natural person presenting her own return.
demo::CompanyRecord bianchi() {
  Fields f;
  f("T002", "BIANCHI ANNA")("T012", "BNCNNA80C41H501Z")("T013", "99999999999")("T023", "F");
  f("T021", "ANNA")("T020", "BIANCHI")("T024", "ROMA")("T490", "TRASTEVERE")("T025", "RM");
  f("T022", "01031980")("T224", "06 555")("T289", "333 1234567")("T302", "STUDIO BIANCHI");
  f("T491", "0")("T088", "RM")("T483", "012")("T089", "ROMA")("T735", "EUR");
  return company(2, f.values);
}
std::string bianchiFront() {
  Rec r = frontPage();
  r.at(1, "002").at(4, "BNCNNA80C41H501Z").at(44, "ANNA").at(74, "BIANCHI");
  r.at(143, "06555").at(163, "3331234567").at(183, "STUDIO BIANCHI");
  r.at(283, "ROMATRASTEVERE").at(323, "RM").at(325, "19800301").at(333, "F");
  r.at(621, "00000000").at(669, "RM").at(671, "ROMAEUR");
  r.at(1003, "0").at(1554, "00000000").at(1562, "00000000");
  return r.str();
}

// 003: presents its own return and those of 004 and 005.
demo::CompanyRecord gamma() {
  Fields f;
  f("T002", "GAMMA HOLDING")("T003", "SPA")("T012", "98765432109")("T022A", "1 7 2001");
  f("T348", "AMMINISTRAZIONE CONDOMINI")("T523", "ASSOCIATI")("T483", "012");
  f("T484", "ABCDEFGHIJKLMNOPQRST")("T485", "SEDE LEGALE PRINCIPALE")("T486", "12345678901");
  f("T088", "0")("T089", "TORINO")("T411", "B")("T410", "31122023");
  return company(3, f.values);
}
std::string gammaFront() {
  Rec r = frontPage();
  r.at(1, "003").at(4, "98765432109     ").at(74, "GAMMA HOLDINGSPA").at(136, "B");
  r.at(325, "20010701").at(621, "00000000").at(671, "TORINO");
  r.at(902, "AMMINISTRAZIONE CONDOMINI").at(927, "ASSOCIATI").at(1003, "1");
  r.at(1554, "00000000").at(1562, "20231231");  // 1676-1748 stay blank
  return r.str();
}

// 004: a company presented by 003.
demo::CompanyRecord delta() {
  Fields f;
  f("T002", "DELTA SERVIZI")("T003", "SRL")("T013", "11122233344")("T021", "NONUSATO");
  f("T022", "01012000")("T010", "TORINO")("T011", "TO")("T008", "VIA ROMA 1")("T326", "3");
  f("T411", "A");
  return company(4, f.values);
}
std::string deltaSubstitute() {
  Rec r(202);
  r.at(1, "004").at(4, "11122233344     ").at(20, "DELTA SERVIZISRL");
  r.at(121, "TORINO").at(161, "TO").at(163, "VIA ROMA 1").at(198, "003").at(201, "30");
  return r.str();
}

// 005: a natural person presented by 003.
demo::CompanyRecord verdi() {
  Fields f;
  f("T002", "VERDI GIUSEPPE")("T003", "XYZ")("T012", "VRDGPP75L05F839K")("T023", "M");
  f("T021", "GIUSEPPE")("T022", "05071975")("T024", "NAPOLI")("T025", "NA")("T010", "NAPOLI");
  f("T011", "NA")("T008", "VIA TOLEDO 10")("T326", "3")("T411", "B");
  return company(5, f.values);
}
std::string verdiSubstitute() {
  Rec r(202);
  r.at(1, "005").at(4, "VRDGPP75L05F839K").at(20, "VERDI GIUSEPPE").at(50, "GIUSEPPE");
  r.at(70, "M").at(71, "19750705").at(79, "NAPOLI").at(119, "NA").at(121, "NAPOLI");
  r.at(161, "NA").at(163, "VIA TOLEDO 10").at(198, "003").at(201, "B ");
  return r.str();
}

void buildBureau(Installation& inst) {
  auto& b = inst.builder;
  for (const auto& c : {alfa(), bianchi(), gamma(), delta(), verdi()}) b.putCompany(c);
  demo::CompanyRecord gone = company(6, {{"T002", "CANCELLATA"}});
  gone.voidRecord = true;
  b.putCompany(gone);
  b.putCompany(company(7, {{"T002", "ZETA NON SELEZIONATA"}, {"T012", "77777777777"}}));
  b.close();
}

TEST(FrontPageAndSubstitutes, RecordsLaidOutFieldByField) {
  Installation inst;
  buildBureau(inst);
  LoadedApp a(inst);
  a.select({1, 2, 3, 4, 5});
  ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);

  expectRecords(readBytes(inst.archive("FRONTE.V24")), {alfaFront(), bianchiFront(), gammaFront()},
                1964, "FRONTE.V24");
  expectRecords(readBytes(inst.archive("SOSTITUT.V24")), {deltaSubstitute(), verdiSubstitute()},
                202, "SOSTITUT.V24");

  const std::vector<std::string> expectedProgress = {
      "Attendere prego ...... controlli preliminari in corso",
      "Acquisizione dati azienda 001 ALFA COSTRUZIONI in corso ... Attendere prego",
      "Acquisizione dati azienda 002 BIANCHI ANNA in corso ... Attendere prego",
      "Acquisizione dati azienda 003 GAMMA HOLDING in corso ... Attendere prego",
      "Acquisizione anagrafica sostituti 004 DELTA SERVIZI in corso ... Attendere prego",
      "Acquisizione anagrafica sostituti 005 VERDI GIUSEPPE in corso ... Attendere prego"};
  std::vector<std::string> progress = progressOf(a, "Label2");
  progress.resize(std::min(progress.size(), expectedProgress.size()));  // the quadri follow
  EXPECT_EQ(progress, expectedProgress);

  const auto d = a.dialogs();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].text, "Esportazione dati dalla procedura paghe per mod.770/2024 ..... terminata");
  EXPECT_EQ(d[0].icon, platform::Icon::Information);
  EXPECT_EQ(d[0].title, a.app->form.caption);
  EXPECT_TRUE(inst.leftovers().empty());

  // A run where no company qualifies leaves the substitutes file empty, not the old records.
  a.app.reset();  // one App on the installation at a time
  LoadedApp again(inst);
  again.select({2});  // a natural person presenting her own return: no substitute
  ASSERT_EQ(CMDAVVIO_Click(*again.app), RunOutcome::Done);
  expectRecords(readBytes(inst.archive("FRONTE.V24")), {bianchiFront()}, 1964, "FRONTE.V24");
  ASSERT_TRUE(std::filesystem::exists(inst.archive("SOSTITUT.V24")));
  EXPECT_EQ(std::filesystem::file_size(inst.archive("SOSTITUT.V24")), 0u);
}

}  // namespace
}  // namespace zr::exporttest
