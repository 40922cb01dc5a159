#include "game/store_refusal.h"

#include <string>

#include "door/output.h"
#include "door/text.h"

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

void EndOnStoreRefusal(const StoreStatus& status) {
  WriteLine(std::string("|CRERROR: Unable to ") + VerbOf(status.op) + " file: " +
            IntToText(status.code));
  EndSession();
}
