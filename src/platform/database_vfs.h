// Inside the database layer only: a sqlite3_vfs that opens a database through platform::Files,
// so databases get the archives' path mapping and the tests' fault injection. One per
// connection, registered under a name of its own for exactly the connection's life.
#pragma once

#include <sqlite3.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "platform/files.h"

namespace zr::platform::sqlitedb {

class FilesVfs {
 public:
  explicit FilesVfs(Files& files);
  ~FilesVfs();  // the connection that used it must already be closed
  FilesVfs(const FilesVfs&) = delete;
  FilesVfs& operator=(const FilesVfs&) = delete;

  const char* name() const { return name_.c_str(); }
  // What the last failed file call under the engine said (what failed and where), or "";
  // taking it clears it, so that a later engine error does not repeat it.
  std::string takeFailure() { return std::exchange(lastFailure_, {}); }

  // For the engine's callbacks.
  Files& files() { return files_; }
  sqlite3_vfs& host() { return *host_; }
  void noteFailure(std::string text) { lastFailure_ = std::move(text); }
  // The host name of a file beside the main database ("-journal", "-wal") or of any other,
  // kept for the VFS's life: the engine holds on to the names it opens.
  const char* hostName(std::string_view systemName);
  const char* noteMain(std::string_view systemName, std::string hostName);

 private:
  Files& files_;
  sqlite3_vfs* host_;  // the engine's own, for locks, time, randomness and side files
  sqlite3_vfs vfs_{};
  std::string name_;
  std::string lastFailure_;
  std::string mainSystem_;
  std::string mainHost_;
  std::set<std::string> names_;
};

}  // namespace zr::platform::sqlitedb
