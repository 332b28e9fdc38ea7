// Pictures as DIB sections: loaded from plain BMP files, or made in one colour.
// Win32 only (the player links it; the portable core does not).
#pragma once

#include <windows.h>

#include "base/types.h"

namespace vellaro {

class MessageSink;

// A picture named by library, group and file, always as a bottom-up 24-bit DIB section (whatever
// form the BMP was saved in), so that a transparent colour works on it. Scenario pictures pass an
// empty library: the file is then a plain BMP file, and a missing one gives "Plain BMP Image not
// found" and a box with the file name; a BMP that cannot be shown says why. With a library the
// entry group:file is unpacked from it; a missing entry falls back to the file
// _library\group\file with its own messages. The caller owns the result; null on failure.
HBITMAP loadBitmap(MessageSink& messages, const char* library, const char* group, const char* file);

// A bottom-up 24-bit DIB section of width x height in one colour; null when it cannot be made.
HBITMAP createSolidPicture(int width, int height, Rgb colour);

}  // namespace vellaro
