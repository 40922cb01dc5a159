// Checks the shared data files for damage: partial records, values out of
// range, string lengths past their fields. Used by the tests that prove the
// files survive many nodes and kills, and by the sysop tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DataProblem {
  std::string file;    // e.g. "kordavin.ply"
  int64_t record = -1; // 0-based record index, -1 for the file as a whole
  std::string what;    // a plain sentence for a sysop
};

// Every problem found in the data files of dir (a directory path).
std::vector<DataProblem> FindDataProblems(const std::string& dir);

// Clamps damaged values in place and cuts a partial last record; returns the
// number of repairs made. Files are changed record by record under locks.
int RepairDataFiles(const std::string& dir);
