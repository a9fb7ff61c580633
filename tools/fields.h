// The record fields the builder fills go by the repository's descriptor names; the groups the
// producers and the builder share (employee amounts, local-tax rows, region amounts) live there.
#pragma once

#include "repository/descriptors.h"

namespace zr::demo {

namespace fld = zr::desc;

}  // namespace zr::demo
