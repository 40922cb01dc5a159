#include "door/scratch_testing.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

std::string MakeDoorScratchDir() {
  char pattern[] = "/tmp/kordavin-door-XXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr) << "mkdtemp failed";
  return made == nullptr ? std::string("/tmp") : std::string(made);
}

void WriteDoorScratchFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << path;
}
