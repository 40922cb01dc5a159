// Pending news, starting a new game by hand, and checking and mending the
// data files.
#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "store/files.h"
#include "store/shared_data.h"
#include "store/step.h"
#include "store/validate.h"
#include "sysop/datafiles.h"
#include "sysop/field_text.h"
#include "sysop/sysop.h"

namespace {


// Empties the data files (creating those missing) as one step, taking every
// lock before the first write as the door's reroll does, so a node in the
// middle of reading waits rather than reading half a game, and never finds
// the configuration shorter than one record.
bool ResetDataFiles(const std::string& dir, std::string& error) {
  StoreStep step(dir);
  step.open_flags = O_RDWR | O_CREAT;
  for (StepFile which : {StepFile::kConfig, StepFile::kPlayers, StepFile::kNews}) {
    const StoreStatus taken = step.Take(which);
    if (!taken.ok()) {
      error = StoreErrorText(taken, step.PathOf(which), -1);
      return false;
    }
  }
  const std::vector<std::pair<StepFile, std::vector<uint8_t>>> contents = {
      {StepFile::kNews, {}},
      {StepFile::kPlayers, {}},
      {StepFile::kConfig, std::vector<uint8_t>(kGameConfigFileSize, 0)}};
  for (const auto& [which, content] : contents) {
    const StoreStatus replaced = step.Replace(which, content);
    if (!replaced.ok()) {
      error = StoreErrorText(replaced, step.PathOf(which), -1);
      return false;
    }
  }
  return true;
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
  return !message.To.empty() && message.Line1 != kShownNewsLine;
}

// Marked exactly as the door marks a message it has shown, so the slot is
// free for the next message and never shown twice.
NewsMessage ShownMessage() { return NewsMessage{std::string(), kShownNewsLine, kShownNewsLine}; }

// Lists the pending messages of an open file and, when clearing holds it in
// a step, blanks each. The listing goes out once the file is let go, so a
// slow reader of it never keeps the nodes waiting. Returns kSysopOk or
// kSysopRefused after reporting the failure.
int WalkNews(const SysopRequest& request, RecordFile& file, const std::string& path,
             StoreStep* clearing, SysopIo& io) {
  const int64_t count = RecordCount(file);
  std::string error;
  int cleared = 0;
  std::ostringstream listing;
  for (int64_t slot = 0; slot < count; ++slot) {
    NewsBytes bytes{};
    if (!ReadRecordText(file, path, slot, bytes.data(), error)) break;
    const NewsMessage message = DecodeNews(bytes.data());
    if (!Pending(message) || (request.has_to && message.To != request.to)) continue;
    listing << slot + 1 << '\t' << FieldText(message.To) << '\t' << FieldText(message.Line1)
            << '\t' << FieldText(message.Line2) << '\n';
    if (clearing == nullptr) continue;
    bytes = EncodeNews(ShownMessage());
    if (!WriteStepRecord(*clearing, StepFile::kNews, slot, bytes.data(), error)) break;
    ++cleared;
  }
  const int64_t leftover = BytesAfterLastRecord(file);
  if (clearing != nullptr) clearing->End();
  CloseRecordFile(file);
  io.out << "message\tto\tline1\tline2\n" << listing.str();
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
  std::string error;
  if (!ResetDataFiles(request.dir, error)) {
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
  const std::string path = request.dir + kNewsFile;
  StoreStep step(request.dir);
  RecordFile shared;
  bool missing = false;
  std::string error;
  // Clearing writes, so it is a step; listing alone keeps to a shared lock.
  const bool opened = request.clear ? TakeStepFile(step, StepFile::kNews, missing, error)
                                    : OpenShared(path, kNewsMessageSize, shared, missing, error);
  if (!opened) {
    if (!missing) {
      io.err << "kordavin-sysop: " << error << "\n";
      return kSysopRefused;
    }
    io.out << "message\tto\tline1\tline2\n";
    if (request.clear) io.out << "cleared 0\n";
    return kSysopOk;
  }
  return WalkNews(request, request.clear ? step.news : shared, path,
                  request.clear ? &step : nullptr, io);
}
