#include "store/whole_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "door/session.h"

namespace {

StoreStatus WriteFailure(int code) { return StoreStatus{StoreOp::kWrite, code, code}; }

// Writes every byte at the start of the file; an errno code, or 0.
int WriteAllAt(int fd, const std::vector<uint8_t>& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = pwrite(fd, bytes.data() + written, bytes.size() - written,
                             static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : kErrShortWrite;
    written += static_cast<size_t>(n);
  }
  return 0;
}

// Where the file system cannot make a nameless file: create under the name
// at once, never over a file that is there after all. A file left empty or
// cut short (a full disk) would stop every later caller at its first read;
// once it is gone, the next start-up makes a whole one again.
StoreStatus CreateUnderName(const std::string& path, const std::vector<uint8_t>& bytes,
                            bool& created) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) return StoreStatus{};
  if (fd < 0) return WriteFailure(errno);
  const int code = WriteAllAt(fd, bytes);
  if (close(fd) != 0 || code != 0) {
    const int failure = code != 0 ? code : errno;
    unlink(path.c_str());
    return WriteFailure(failure);
  }
  created = true;
  return StoreStatus{};
}

}  // namespace

StoreStatus CreateWholeFile(std::string_view name, const std::vector<uint8_t>& bytes,
                            bool& created) {
  created = false;
  const std::string path = DataPath(name);
  const int fd = open(DoorSession.ProgramDir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return CreateUnderName(path, bytes, created);
  const int code = WriteAllAt(fd, bytes);
  if (code != 0) {
    close(fd);
    return WriteFailure(code);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const bool linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
  const bool there_already = !linked && errno == EEXIST;
  close(fd);
  if (linked) created = true;
  if (linked || there_already) return StoreStatus{};
  return CreateUnderName(path, bytes, created);
}

StoreStatus TakeForRewrite(StoreStep& step, StepFile which) {
  if (step.File(which).fd >= 0) return StoreStatus{};
  step.open_flags = O_RDWR | O_CREAT;
  const StoreStatus taken = step.Take(which);
  if (taken.ok() || taken.code == kLockDenied || taken.sys_error == 0) return taken;
  return WriteFailure(taken.sys_error);
}
