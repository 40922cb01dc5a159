#include "town/pages.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/files.h"
#include "store/presence.h"
#include "store/records.h"
#include "store/state.h"

namespace {

constexpr size_t kMessageField = 79;
constexpr std::string_view kSenderEnd = ": ";

// Text read back from a file is shown raw, so a typed pipe code stays as
// typed and no control byte from a damaged file reaches the terminal.
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<uint8_t>(c) < 32) c = ' ';
  }
  return shown;
}

void ShowPage(const std::string& message) {
  const UnfinishedLine prompt = CurrentLine();
  const size_t end = message.find(kSenderEnd);
  const std::string sender = end == std::string::npos ? "" : message.substr(0, end);
  const std::string text =
      end == std::string::npos ? message : message.substr(end + kSenderEnd.size());
  WriteText("|CR|12* |11Page from |14");
  WriteRaw(Printable(sender));
  WriteText("|11: |15");
  WriteRaw(Printable(text));
  WriteRawLine("");
  // The page has pushed the caller's prompt up the screen: he goes on typing
  // at a copy of it, in its colours.
  WriteLineAgain(prompt);
}

// Takes a waiting page out of our presence record. The lock is only tried,
// never waited for: a page another node is writing right now shows a second
// later instead.
bool TakeWaitingPage(std::string& message) {
  const std::string path = DataPath(NodeFileName(DoorSession.Node));
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool taken = false;
  NodeBytes bytes{};
  if (Host.LockFile(fd, true) == kLockGranted &&
      pread(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size())) {
    NodeRecord record = DecodeNode(bytes.data());
    if (record.PageFlag == 1) {
      message = record.Message;
      record.PageFlag = 0;
      record.Message.clear();
      const NodeBytes cleared = EncodeNode(record);
      taken = pwrite(fd, cleared.data(), cleared.size(), 0) ==
              static_cast<ssize_t>(cleared.size());
    }
  }
  close(fd);
  return taken;
}

}  // namespace

void SendPage(int16_t node, std::string_view from, std::string_view text) {
  if (node < 1) return;
  RecordFile file;
  if (!OpenRecordFile(file, NodeFileName(node), kNodeRecordSize, kModeExclusive)) return;
  // The pimp may have left while the page was typed; nobody would read it.
  if (!PresenceIsLive(file.fd) || RecordCount(file) < 1) {
    CloseRecordFile(file);
    return;
  }
  NodeBytes bytes{};
  ReadRecord(file, bytes.data());
  NodeRecord record = DecodeNode(bytes.data());
  record.PageFlag = 1;
  record.Message = CutText(std::string(from) + std::string(kSenderEnd) + std::string(text),
                           kMessageField);
  const NodeBytes page = EncodeNode(record);
  SeekRecord(file, 0);
  WriteRecord(file, page.data());
  CloseRecordFile(file);
}

void CheckPages() {
  // Until the day has begun the presence file may still be the one a previous
  // caller on this node left behind, with a page meant for him.
  if (GameSession.PlayerNumber == -1 || GameSession.TimeLeft <= 0) return;
  // Writing the page must never lead back here through another key wait.
  static bool busy = false;
  if (busy) return;
  busy = true;
  std::string message;
  if (TakeWaitingPage(message)) ShowPage(message);
  busy = false;
}
