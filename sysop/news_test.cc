#include <gtest/gtest.h>

#include "sysop/sysop_testing.h"

namespace {

const char kNewsHeader[] = "message\tto\tline1\tline2\n";

NewsMessage At(const std::string& dir, size_t slot) {
  const std::string bytes = ReadSysopTestFile(dir, "kordavin.msg");
  return DecodeNews(reinterpret_cast<const uint8_t*>(bytes.data()) + slot * kNewsMessageSize);
}

// Slots as the door leaves them: pending, shown, free, pending.
void WriteMixedNews(const std::string& dir) {
  NewsMessage two_lines = SysopTestNews("Al B", "Your house burned.");
  two_lines.Line2 = "|12Firebombed by Rick.";
  WriteSysopTestNews(dir, {SysopTestNews("John Smith", "Big Al spied on you."),
                           NewsMessage{"", "DELETED", "DELETED"}, NewsMessage{},
                           two_lines, SysopTestNews("John Smith", "Rick robbed you.")});
}

TEST(SysopNews, ListsOnlyMessagesNotYetShown) {
  const std::string dir = MakeSysopTestDir();
  WriteMixedNews(dir);
  SysopTestRun run = RunSysopForTest(dir, {"news"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kNewsHeader) +
                         "1\tJohn Smith\tBig Al spied on you.\t\n"
                         "4\tAl B\tYour house burned.\t|12Firebombed by Rick.\n"
                         "5\tJohn Smith\tRick robbed you.\t\n");

  run = RunSysopForTest(dir, {"news", "--to", "John Smith"});
  EXPECT_EQ(run.out, std::string(kNewsHeader) +
                         "1\tJohn Smith\tBig Al spied on you.\t\n"
                         "5\tJohn Smith\tRick robbed you.\t\n");
  // Aliases are matched exactly, as the door matches its callers.
  run = RunSysopForTest(dir, {"news", "--to=john smith"});
  EXPECT_EQ(run.out, kNewsHeader);
}

TEST(SysopNews, ClearMarksMessagesShownTheWayTheDoorDoes) {
  const std::string dir = MakeSysopTestDir();
  WriteMixedNews(dir);
  SysopTestRun run = RunSysopForTest(dir, {"news", "--to", "John Smith", "--clear"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kNewsHeader) +
                         "1\tJohn Smith\tBig Al spied on you.\t\n"
                         "5\tJohn Smith\tRick robbed you.\t\n"
                         "cleared 2\n");
  for (size_t slot : {size_t{0}, size_t{4}}) {
    const NewsMessage shown = At(dir, slot);
    EXPECT_EQ(shown.To, "");
    EXPECT_EQ(shown.Line1, "DELETED");
    EXPECT_EQ(shown.Line2, "DELETED");
  }
  EXPECT_EQ(At(dir, 3).To, "Al B");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.msg").size(), 5 * kNewsMessageSize);

  run = RunSysopForTest(dir, {"news", "--clear"});
  EXPECT_EQ(run.out, std::string(kNewsHeader) +
                         "4\tAl B\tYour house burned.\t|12Firebombed by Rick.\n"
                         "cleared 1\n");
  EXPECT_EQ(RunSysopForTest(dir, {"news"}).out, kNewsHeader);
}

TEST(SysopNews, MissingAndCutOffFiles) {
  const std::string dir = MakeSysopTestDir();
  SysopTestRun run = RunSysopForTest(dir, {"news", "--clear"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kNewsHeader) + "cleared 0\n");

  WriteSysopTestNews(dir, {SysopTestNews("A", "one")});
  WriteSysopTestFile(dir, "kordavin.msg", ReadSysopTestFile(dir, "kordavin.msg") + "xx");
  run = RunSysopForTest(dir, {"news"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.out, std::string(kNewsHeader) + "1\tA\tone\t\n");
  EXPECT_EQ(run.err, "kordavin-sysop: kordavin.msg: 2 bytes after the last whole record\n");

  EXPECT_EQ(RunSysopForTest(dir, {"news", "--to"}).code, kSysopUsage);
  EXPECT_EQ(RunSysopForTest(dir, {"news", "--clean"}).code, kSysopUsage);
}

}  // namespace
