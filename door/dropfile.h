// Readers for the four drop-file formats a BBS writes to describe its caller.
#pragma once

#include <cstdint>
#include <string_view>

enum DropFileResult : uint8_t {
  Ok = 0,           // read without error
  NotFound = 1,     // could not be opened for reading
  ReadError = 2,    // an I/O error while reading or closing
  UnknownType = 3,  // the name matches none of the formats
  PortError = 4,    // reserved for a connection driver
};

DropFileResult ReadDropFile(std::string_view path);
DropFileResult ReadDoorSys(std::string_view path);
DropFileResult ReadChainTxt(std::string_view path);
DropFileResult ReadDorinfoDef(std::string_view path);
DropFileResult ReadDoor32Sys(std::string_view path);
// The caller's terminal as newer packages describe it: screen width (line 6)
// and height (line 7), and on line 12 the character set as an IANA name;
// UTF-8 there turns DoorSession.Utf8 on, any other leaves it as it is.
DropFileResult ReadBbsdevDrp(std::string_view path);
