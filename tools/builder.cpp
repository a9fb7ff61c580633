#include "builder.h"

#include <stdexcept>

namespace zr::demo {

namespace {
[[noreturn]] void pending(const char* what) {
  throw std::logic_error(std::string("installation builder: ") + what + " not available yet");
}
}  // namespace

InstallationBuilder::InstallationBuilder(std::string root) : root_(std::move(root)) {
  pending("constructor");
}
InstallationBuilder::~InstallationBuilder() = default;
void InstallationBuilder::writeSkeleton(const SkeletonOptions&) {
  pending("writeSkeleton");
}
void InstallationBuilder::putCompany(const CompanySpec&) {
  pending("putCompany");
}
double InstallationBuilder::putF24(const F24Spec&) {
  pending("putF24");
}
double InstallationBuilder::putEmployee(const EmployeeSpec&) {
  pending("putEmployee");
}
void InstallationBuilder::addLocalTaxRows(int, const std::vector<LocalTaxRow>&) {
  pending("addLocalTaxRows");
}
void InstallationBuilder::addRegionRows(int, const std::vector<RegionRow>&) {
  pending("addRegionRows");
}
void InstallationBuilder::addF24Rows(int, std::string_view, const std::vector<Columns>&) {
  pending("addF24Rows");
}
void InstallationBuilder::addCertificationRows(std::string_view, const std::vector<Columns>&) {
  pending("addCertificationRows");
}
void InstallationBuilder::close() {}
std::string InstallationBuilder::archivesPath() const {
  return config_.PERCORSOARCHIVI;
}
std::string InstallationBuilder::archivePath(std::string_view name) const {
  return config_.PERCORSOARCHIVI + "\\" + std::string(name);
}
std::string InstallationBuilder::hostPath(std::string_view systemPath) const {
  return platform::mapPathLiterally(root_, systemPath);
}
std::string InstallationBuilder::registryPath() const {
  return root_ + "/registry.ini";
}
std::vector<CatalogueEntry> InstallationBuilder::defaultCatalogue() {
  return {};
}
std::string InstallationBuilder::yearlyDatabaseName(int year) {
  return "SF24" + std::to_string(year) + ".MDB";
}

DemoSummary buildDemo(const std::string&, const Options&) {
  pending("buildDemo");
}

}  // namespace zr::demo
