// The console at a front end's start: output in UTF-8, and standard output and error passing
// bytes unchanged (no LF to CR LF), since the program writes UTF-8 with LF line ends itself.
#pragma once

namespace zr::platform {

void prepareConsole();

}  // namespace zr::platform
