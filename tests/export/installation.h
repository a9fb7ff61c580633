// The export tests' installations: the shared test bed, with the export run's routines.
#pragma once

#include "export/run.h"
#include "support/installation.h"

namespace zr::exporttest {
using namespace zr::testbed;
}  // namespace zr::exporttest
