#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace platform {

// Report I/O on a non-blocking file descriptor of a hidraw node (or of anything that keeps
// message boundaries the same way, such as a sequenced-packet socket). Each call waits with
// poll() until the descriptor is ready or the time-out, counted on the given clock, has
// passed; nothing stays outstanding after a call returns, so there is nothing to cancel.
// A descriptor that reports an error or hang-up (a node whose device went away) fails.

// Opens a hidraw node for report I/O (read and write, non-blocking) and takes an exclusive
// advisory lock on it, so that no two programs talk to one bridge at once: a hidraw node hands
// every input report to every open handle, and two users would read each other's answers.
// -1 when the node cannot be opened or another open handle (of any process) holds the lock;
// the lock goes with the descriptor when it is closed.
int OpenLockedNode(const char* node);

// Writes one report of exactly length bytes. Byte 0 is the report id; a device that does not
// number its reports takes 0 there, which the kernel drops before the report goes out.
IoStatus WriteHidReport(Clock& clock, int fd, const uint8_t* report, size_t length,
                        uint32_t timeoutMs);

// Reads one input report into buffer (at most length bytes; a longer report is cut, its rest
// lost) and sets delivered to the bytes placed in buffer. Byte 0 is always the report id:
// a device that numbers its reports delivers it itself; for one that does not
// (numberedReports false) byte 0 is set to 0 and the report follows from byte 1, as callers
// expect. A short report delivers its short count.
IoStatus ReadHidReport(Clock& clock, int fd, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                       bool numberedReports, size_t& delivered);

}  // namespace platform
