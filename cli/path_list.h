// The paths a run reports on: those of the command line, then the names
// read from each list file (--files-from), in order.
#pragma once

#include <string>
#include <vector>

#include "paths.h"

class PathSource {
 public:
  // Names in a list end with a line feed, or with a NUL when nulSeparated.
  // A list named "-" is standard input.
  PathSource(std::vector<PathName> paths, std::vector<PathName> lists, bool nulSeparated);
  ~PathSource();
  PathSource(const PathSource&) = delete;
  PathSource& operator=(const PathSource&) = delete;

  enum Result { Path, Failure, End };
  // The next path, or a list that cannot be opened or read (then message
  // says so, and the source goes on with the next list), or the end. Empty
  // names are skipped; the last name of a list needs no separator after it.
  Result Next(PathName& path, std::string& message);
  // Whether paths are read from lists, which may make Next wait.
  bool ReadsLists() const { return !lists_.empty(); }

 private:
  bool OpenList(std::string& message);
  bool Fill(std::string& message);
  void CloseList();

  std::vector<PathName> paths_, lists_;
  std::size_t nextPath_ = 0, nextList_ = 0;
  char separator_;
  int descriptor_ = -1;
  bool ownDescriptor_ = false;
  PathName listName_;
  std::string buffer_;  // read from the list, not yet taken
  std::size_t taken_ = 0;
  bool atEnd_ = false;
};
