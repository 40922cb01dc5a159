// Pending news: what rivals did that the addressee has not yet been shown.
#include "sysop/datafiles.h"
#include "sysop/sysop.h"

namespace {

constexpr char kShown[] = "DELETED";

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
    io.err << "kordavin-sysop: " << kSysopNewsFile << ": " << leftover
           << " bytes after the last whole record\n";
    return kSysopRefused;
  }
  return kSysopOk;
}

}  // namespace

int NewsCommand(const SysopRequest& request, SysopIo& io) {
  if (request.clear) {
    const int guard = RefuseWhileCallersOn(request, io);
    if (guard != kSysopOk) return guard;
  }
  LockedFile file;
  bool missing = false;
  std::string error;
  if (!OpenLocked(request.dir + kSysopNewsFile, request.clear, file, missing, error)) {
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
