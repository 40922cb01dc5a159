#include "store/records_testing.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/state.h"

std::string MakeRecordsTestDir() {
  char pattern[] = "/tmp/kordavin-records-XXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr) << "mkdtemp failed";
  std::string dir = made == nullptr ? std::string("/tmp") : std::string(made);
  InstallFakeHost(dir);
  ResetGameSession();
  return dir;
}

void WriteRecordsTestFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(DoorSession.ProgramDir + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << name;
}

std::string ReadRecordsTestFile(const std::string& name) {
  std::ifstream in(DoorSession.ProgramDir + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool RecordsTestFileExists(const std::string& name) {
  struct stat info {};
  return stat((DoorSession.ProgramDir + name).c_str(), &info) == 0;
}
