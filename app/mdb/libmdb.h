// libmdb's header, which includes glib inside its extern "C" block, where glib's C++ parts do
// not compile; glib included here first is not included again there.
#pragma once

#include <glib.h>
#include <iconv.h>

// Last, after what it includes.
#include <mdbtools.h>
