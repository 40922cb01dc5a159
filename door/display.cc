#include "door/display.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"

namespace {

// A name with a full stop anywhere is taken as given; otherwise the ANSI
// picture is preferred for a caller with colour, the plain one for the rest.
std::string ScreenFileName(std::string_view name) {
  std::string chosen(name);
  if (name.find('.') != std::string_view::npos) return chosen;
  if (DoorSession.Ansi == 1 && FileExists(chosen + ".ans")) return chosen + ".ans";
  return chosen + ".asc";
}

// Opens a screen file; -1 when there is none to show. A directory opens on
// Linux but is no picture, so it counts as missing instead of failing later
// as a read error that would end the caller's session.
int OpenScreenFile(const std::string& file_name) {
  const int fd = open(file_name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

void ShowFile(std::string_view name) {
  const int fd = OpenScreenFile(ScreenFileName(name));
  if (fd < 0) return;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      close(fd);
      EndProcess(1);
    }
    WriteRaw(std::string_view(buffer, static_cast<size_t>(got)));
  }
  close(fd);
}
