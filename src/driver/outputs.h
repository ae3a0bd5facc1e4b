// Output files of the named-option form: written under a temporary name and
// renamed into place only when the whole run has succeeded, so an earlier
// run's results survive a run that fails.
#pragma once

#include <fstream>
#include <string>
#include <vector>

class OutputFiles {
 public:
  // Opens "<path>.tmp" for each path. False (and `error` set, nothing left
  // behind) when one cannot be created.
  bool open(const std::vector<std::string>& paths, std::string& error);
  std::ofstream& operator[](std::size_t i) { return streams_[i]; }
  // Closes every file and renames it over its final name. False (and
  // `error` set) when a write or a rename failed.
  bool commit(std::string& error);
  // Removes the temporary files of a run that did not finish.
  ~OutputFiles();

 private:
  std::vector<std::string> paths_;
  std::vector<std::ofstream> streams_;
  bool committed_ = false;
};

// Writes the number as printf's %.10g does.
std::string formatNumber(double value);
