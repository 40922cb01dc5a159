#include "store/pages.h"

#include "door/session.h"
#include "store/presence.h"
#include "store/records.h"
#include "store/step.h"

namespace {

constexpr uint8_t kPageWaiting = 1;

}  // namespace

bool LeavePage(int16_t node, std::string_view message) {
  if (node < 1) return false;
  StoreStep step;
  if (!step.TakeOrEnd(StepFile::kPresence, node)) return false;
  RecordFile& file = step.presence;
  if (!PresenceIsLive(file.fd) || RecordCount(file) < 1) return false;
  NodeBytes bytes{};
  EndUnlessStored(ReadRecordAt(file, 0, bytes.data()));
  NodeRecord record = DecodeNode(bytes.data());
  record.PageFlag = kPageWaiting;
  record.Message = std::string(message);
  const NodeBytes page = EncodeNode(record);
  EndUnlessStored(step.Write(StepFile::kPresence, 0, page.data()));
  NodePresence whole;
  if (ReadPresence(file.fd, whole)) step.wake_players.push_back(whole.PlayerNumber);
  return true;
}

PageLook TakeWaitingPage(std::string& message) {
  StoreStep step;
  step.lock_attempts = kLockOnce;
  const StoreStatus taken = step.Take(StepFile::kPresence, DoorSession.Node);
  if (!taken.ok()) return taken.code == kLockDenied ? PageLook::kFileBusy : PageLook::kNone;
  NodeBytes bytes{};
  if (!ReadRecordAt(step.presence, 0, bytes.data()).ok()) return PageLook::kNone;
  NodeRecord record = DecodeNode(bytes.data());
  if (record.PageFlag != kPageWaiting) return PageLook::kNone;
  message = record.Message;
  record.PageFlag = 0;
  record.Message.clear();
  const NodeBytes cleared = EncodeNode(record);
  return step.Write(StepFile::kPresence, 0, cleared.data()).ok() ? PageLook::kTaken
                                                                  : PageLook::kNone;
}
