#include "store/session_end.h"

#include <string>

#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "store/presence.h"

namespace {

const char* VerbOf(StoreOp op) {
  switch (op) {
    case StoreOp::kOpen: return "reset";
    case StoreOp::kSeek: return "seek";
    case StoreOp::kRead: return "read";
    case StoreOp::kWrite: return "write";
  }
  return "reset";
}

}  // namespace

void EndSession() {
  // Whatever is left unstored now stays so: the last pause must not write,
  // least of all after a failed write brought us here.
  DoorSession.BeforeWait = nullptr;
  DoorSession.BeforeSend = nullptr;
  CloseHeldRecordFiles();
  LetHangupsIn();
  EraseNodeRecord();
  WriteRawLine("");
  PauseKey();
  CloseDown();
  EndProcess(0);
}

void EndOnStoreRefusal(const StoreStatus& status) {
  WriteLine(std::string("|CRERROR: Unable to ") + VerbOf(status.op) + " file: " +
            IntToText(status.code));
  EndSession();
}
