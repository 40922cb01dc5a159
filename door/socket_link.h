// The caller's connection when the BBS hands the door a telnet socket by
// descriptor instead of connecting standard input and output.
#pragma once

// When handle is open here and a stream socket that is not listening, every
// byte to and from the caller goes through it from now on (Host's ReadByte
// and WriteBytes, and the last bytes of a hang-up), as telnet unless
// DoorSession.BbsName says the board has dealt with telnet already, and
// standard I/O is left alone. Otherwise nothing changes, and the result says
// whether standard input can still reach a caller: a terminal, a pipe or a
// socket.
bool OpenCallerHandle(int handle);
