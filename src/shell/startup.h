// Start-up and the program's end: the load of the main form (configuration from the registry
// or the path files, task code, F24 databases, form layout, company list), FINETASK and
// INFOPROGETTO. Works on the App it is given; touches files only through its services.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/files.h"

namespace zr {

class App;
struct Config;

inline constexpr std::string_view kConfigurationErrorTitle = "Korvante";
inline constexpr std::string_view kConfigurationError =
    "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante CON IL PROGRAMMA KVPERCORSO";

// The previous-instance test found another process on this installation. It is a program end
// (status 1), so a front end that only knows ProgramEnd still ends; the window ends silently,
// the command line says why.
struct AnotherInstance : ProgramEnd {
  AnotherInstance() : ProgramEnd{1} {}
};

// The load of RIZ770: the program's only entry. May end the program (ProgramEnd).
void RIZ770_Load(App& app);

enum class InstSource { Registry, PathFiles };
// CARICAINST: sets PERCORSOARCHIVI, PERCORSOPROGRAMMI and CODICETASK all together or not at
// all. The registry variant returns with nothing set when the registry does not name two
// existing folders; the path-file variant shows the configuration error and ends the program.
void CARICAINST(App& app, InstSource source);

// Rewrites an existing task file with the task code alone, closes every archive and ends the
// program with status 0.
[[noreturn]] void FINETASK(App& app);

// Removes the temporaries that a program ended while rewriting the task file left beside it
// (the next export's or date update's recovery does it); returns how many. A program whose
// temporary goes while it writes it writes it again.
std::size_t removeTaskFileTemporaries(platform::Files& files);

std::string infoProgettoText(const Config& config);
void INFOPROGETTO(App& app);

// The form's caption, the reminder shown at the end of the load.
std::string formCaption();
std::string reminderText();

// The task code that a task file's first line carries: its columns 1-2, trimmed.
std::string taskCodeOf(std::string_view firstLine);

}  // namespace zr
