#pragma once
// The process-wide diagnostic channel: each call formats one line (printf
// conversions; callers end most lines with "\r\n") and sends it at once as
// one UDP datagram to 127.0.0.1:514, the text and a zero byte, 1024 bytes at
// most. Nothing is kept; without a listener the line is lost.

namespace balvek::platform {

// Returns 0 always. A null format touches nothing; an empty text sends
// nothing; a longer text is cut to its first 1023 bytes.
int DebugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace balvek::platform
