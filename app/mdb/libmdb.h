// libmdb's header, which includes glib inside its extern "C" block, where glib's C++ parts do
// not compile; glib included here first is not included again there. A libmdb built without
// GLib or iconv (the Windows build) brings its own stand-ins and needs neither.
#pragma once

#if __has_include(<glib.h>)
#include <glib.h>
#endif
#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

// Last, after what it includes.
#include <mdbtools.h>
