// Pending news, starting a new game by hand, and checking and mending the
// data files.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "store/files.h"
#include "store/validate.h"
#include "sysop/datafiles.h"
#include "sysop/sysop.h"

namespace {

constexpr char kShown[] = "DELETED";

// Empties a data file (creating it when missing) under an exclusive lock, so
// a node in the middle of reading it waits rather than reading half a game.
// Its new content is written before the file is cut to length, so nobody
// ever finds the configuration shorter than one record.
bool RewriteDataFile(const std::string& path, const std::vector<uint8_t>& content,
                     std::string& error) {
  const LockedOpen opened = OpenAndLock(path, O_RDWR | O_CREAT, true);
  if (opened.lock_denied) {
    error = "cannot lock " + path + ": another node holds it";
    return false;
  }
  if (opened.fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(opened.open_error);
    return false;
  }
  const int fd = opened.fd;
  bool ok = true;
  if (!content.empty()) {
    ok = pwrite(fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size());
    if (!ok) error = "cannot write " + path;
  }
  if (ok && ftruncate(fd, static_cast<off_t>(content.size())) != 0) {
    ok = false;
    error = "cannot cut " + path + ": " + std::strerror(errno);
  }
  close(fd);
  return ok;
}

bool Confirmed(SysopIo& io) {
  // Asked on stderr, so a script reading stdout never takes it for output.
  io.err << "Start a new game? Every player and all news will be lost. [y/N] ";
  io.err.flush();
  std::string answer;
  if (!std::getline(io.in, answer)) {
    io.err << '\n';  // no answer came, so no line end either
    return false;
  }
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

void WriteProblems(std::ostream& out, const std::vector<DataProblem>& problems) {
  for (const DataProblem& problem : problems) {
    out << problem.file << '\t'
        << (problem.record < 0 ? std::string("-") : std::to_string(problem.record + 1)) << '\t'
        << problem.what << '\n';
  }
}

std::vector<DataProblem> AllProblems(const std::string& dir) {
  std::vector<DataProblem> problems;
  if (access((dir + kDatFile).c_str(), R_OK) != 0) {
    problems.push_back({kDatFile, -1, "missing or unreadable: the door stops every caller"});
  }
  const std::vector<DataProblem> found = FindDataProblems(dir);
  problems.insert(problems.end(), found.begin(), found.end());
  return problems;
}


bool Pending(const NewsMessage& message) {
  return !message.To.empty() && message.Line1 != kShown;
}

// Marked exactly as the door marks a message it has shown, so the slot is
// free for the next message and never shown twice.
NewsMessage ShownMessage() { return NewsMessage{std::string(), kShown, kShown}; }

// Lists (and with --clear blanks) the pending messages of an open file.
// Returns kSysopOk or kSysopRefused after reporting the failure.
int WalkNews(const SysopRequest& request, const LockedFile& file, SysopIo& io) {
  int64_t leftover = 0;
  const int64_t count = CountRecords(file, kNewsMessageSize, leftover);
  std::string error;
  int cleared = 0;
  io.out << "message\tto\tline1\tline2\n";
  for (int64_t slot = 0; slot < count; ++slot) {
    NewsBytes bytes{};
    if (!ReadRecordAt(file, kNewsMessageSize, slot, bytes.data(), error)) break;
    const NewsMessage message = DecodeNews(bytes.data());
    if (!Pending(message) || (request.has_to && message.To != request.to)) continue;
    io.out << slot + 1 << '\t' << FieldText(message.To) << '\t' << FieldText(message.Line1) << '\t'
           << FieldText(message.Line2) << '\n';
    if (!request.clear) continue;
    bytes = EncodeNews(ShownMessage());
    if (!WriteRecordAt(file, kNewsMessageSize, slot, bytes.data(), error)) break;
    ++cleared;
  }
  if (request.clear) io.out << "cleared " << cleared << '\n';
  if (!error.empty()) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  if (leftover > 0) {
    io.err << "kordavin-sysop: " << kNewsFile << ": " << leftover
           << " bytes after the last whole record\n";
    return kSysopRefused;
  }
  return kSysopOk;
}

}  // namespace

int ResetCommand(const SysopRequest& request, SysopIo& io) {
  const int guard = RefuseWhileCallersOn(request, io);
  if (guard != kSysopOk) return guard;
  if (!request.yes && !Confirmed(io)) {
    io.err << "kordavin-sysop: not reset\n";
    return kSysopRefused;
  }
  // The same files in the same order as the door's own reroll.
  std::string error;
  const bool ok = RewriteDataFile(request.dir + kNewsFile, {}, error) &&
                  RewriteDataFile(request.dir + kPlayerFile, {}, error) &&
                  RewriteDataFile(request.dir + kConfigFile,
                                  std::vector<uint8_t>(kGameConfigFileSize, 0), error);
  if (!ok) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  io.out << "new game started\n";
  return kSysopOk;
}

int CheckCommand(const SysopRequest& request, SysopIo& io) {
  if (request.repair) {
    const int guard = RefuseWhileCallersOn(request, io);
    if (guard != kSysopOk) return guard;
  }
  const std::vector<DataProblem> problems = AllProblems(request.dir);
  io.out << "file\trecord\tproblem\n";
  WriteProblems(io.out, problems);
  if (!request.repair) return problems.empty() ? kSysopOk : kSysopRefused;
  const int repairs = RepairDataFiles(request.dir);
  io.out << "repaired " << repairs << '\n';
  const std::vector<DataProblem> left = AllProblems(request.dir);
  if (left.empty()) return kSysopOk;
  io.err << "kordavin-sysop: " << left.size() << " problems remain\n";
  return kSysopRefused;
}

int NewsCommand(const SysopRequest& request, SysopIo& io) {
  if (request.clear) {
    const int guard = RefuseWhileCallersOn(request, io);
    if (guard != kSysopOk) return guard;
  }
  LockedFile file;
  bool missing = false;
  std::string error;
  if (!OpenLocked(request.dir + kNewsFile, request.clear, file, missing, error)) {
    if (!missing) {
      io.err << "kordavin-sysop: " << error << "\n";
      return kSysopRefused;
    }
    io.out << "message\tto\tline1\tline2\n";
    if (request.clear) io.out << "cleared 0\n";
    return kSysopOk;
  }
  const int result = WalkNews(request, file, io);
  CloseLocked(file);
  return result;
}
