// The OEM (code page 437) to Windows (code page 1252) text conversion that message boxes apply.
#pragma once

#include "platform/core/win_types.h"

namespace platform {
// The Windows-1252 byte for a code page 437 byte: the same character where 1252 has it, else the
// closest plain character (box drawing becomes + - |, Greek letters their Latin look-alikes).
// Bytes below 0x80, control characters included, are unchanged.
unsigned char oemToAnsi(unsigned char oem);
} // namespace platform

// Converts the NUL-terminated text src into dst (which may be the same buffer). Returns TRUE.
BOOL OemToCharA(const char* src, char* dst);
