#include "platform/errors.h"

namespace zr {

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(std::to_string(number) + " " + description),
      number_(number),
      description_(std::move(description)) {}

RuntimeError RuntimeError::of(int number, std::string_view detail) {
  std::string d = classicDescription(number);
  if (!detail.empty()) {
    d += ": ";
    d += detail;
  }
  return RuntimeError(number, std::move(d));
}

std::string classicDescription(int number) {
  switch (number) {
    case 5:
      return "Invalid procedure call or argument";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 13:
      return "Type mismatch";
    case 52:
      return "Bad file name or number";
    case 53:
      return "File not found";
    case 54:
      return "Bad file mode";
    case 55:
      return "File already open";
    case 57:
      return "Device I/O error";
    case 58:
      return "File already exists";
    case 59:
      return "Bad record length";
    case 61:
      return "Disk full";
    case 62:
      return "Input past end of file";
    case 63:
      return "Bad record number";
    case 67:
      return "Too many files";
    case 68:
      return "Device unavailable";
    case 70:
      return "Permission denied";
    case 71:
      return "Disk not ready";
    case 75:
      return "Path/File access error";
    case 76:
      return "Path not found";
    case 91:
      return "Object variable or With block variable not set";
    case 482:
      return "Printer error";
    case 484:
      return "Problem getting printer information from the system. Make sure the printer is "
             "set up correctly";
    case 3021:
      return "No current record";
    case 3024:
      return "Could not find file";
    case 3078:
      return "Cannot find the input table or query";
    case 3265:
      return "Item not found in this collection";
    case 3343:
      return "Unrecognized database format";
    case 3420:
      return "Object invalid or no longer set";
    case 3800:
      return "Not an index in this table";
    default:
      return "Application-defined or object-defined error";
  }
}

}  // namespace zr
