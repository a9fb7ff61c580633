// zorir770-demo: writes a demo payroll installation under a drive root.
#include <CLI/CLI.hpp>
#include <chrono>
#include <exception>
#include <iostream>

#include "builder.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes a demo payroll installation under ROOT (the drive root of --root ROOT)"};
  zr::demo::Options options;
  std::string root;
  app.add_option("--companies", options.companies, "number of companies")
      ->check(CLI::Range(1, 900));
  app.add_option("--employees", options.employees, "employees per company")
      ->check(CLI::Range(0, 100000));
  app.add_option("--seed", options.seed, "seed of the generated data");
  app.add_option("ROOT", root, "drive root to write into")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 2;
  }
  try {
    const auto start = std::chrono::steady_clock::now();
    const auto s = zr::demo::buildDemo(root, options);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::cout << "companies " << s.companies.size() << " (deleted records "
              << s.voidCompanies.size() << ", substitutes " << s.substitutes.size()
              << "), F24 records " << s.f24Records << ", employees " << s.employees
              << ", database rows " << (s.localTaxRows + s.regionRows + s.certificationRows) << ", "
              << ms << " ms\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zorir770-demo: " << e.what() << "\n";
    return 3;
  }
}
