#include "door/scratch_testing.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace {

struct MadeDir {
  std::string path;
  KeepScratch keep;
  pid_t maker;  // a forked child that exits must not remove its parent's directories
};

std::mutex made_guard;
std::vector<MadeDir>& MadeInTest() {
  static std::vector<MadeDir> dirs;
  return dirs;
}

void Remove(const MadeDir& dir, bool failed) {
  if (dir.maker != getpid()) return;
  if (dir.keep == KeepScratch::kAlways || (failed && dir.keep == KeepScratch::kIfTestFails)) {
    std::printf("scratch directory kept for a look: %s\n", dir.path.c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir.path, ignored);
}

// Made outside any test (a suite's set-up, a static): gone at exit.
struct MadeOutsideTests {
  std::vector<MadeDir> dirs;
  ~MadeOutsideTests() {
    for (const MadeDir& dir : dirs) Remove(dir, false);
  }
};
MadeOutsideTests made_outside;

// After the test's TearDown: its doors are stopped by then.
class RemoveAtTestEnd : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    std::vector<MadeDir> dirs;
    {
      std::lock_guard<std::mutex> lock(made_guard);
      dirs.swap(MadeInTest());
    }
    for (const MadeDir& dir : dirs) Remove(dir, test.result()->Failed());
  }
};

}  // namespace

std::string MakeScratchDir(const std::string& kind, KeepScratch keep) {
  static std::once_flag listening;
  std::call_once(listening, [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new RemoveAtTestEnd);
  });
  std::string pattern = "/tmp/kordavin-" + kind + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed for " << pattern;
    return "/tmp";
  }
  const MadeDir made{pattern, keep, getpid()};
  std::lock_guard<std::mutex> lock(made_guard);
  if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr) {
    MadeInTest().push_back(made);
  } else {
    made_outside.dirs.push_back(made);
  }
  return pattern;
}

void WriteScratchFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
