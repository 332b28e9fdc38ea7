// The messages the player shows for a picture it cannot load, and when it shows them. The player's
// picture loader and the headless screen both take them from here, so a lesson's boxes are the
// same on both.
#pragma once

#include <string>
#include <vector>

#include "base/messages.h"
#include "image/bmp_decoder.h"

namespace vellaro {

// Where the picture was looked for: a plain file, or the file a library entry falls back to.
enum class PictureSource { PlainFile, LibraryFallback };

// "Cannot show the BMP picture PATH: PROBLEM".
std::string pictureCannotShowMessage(const std::string& path, const std::string& problem);

// The boxes, in order, for a picture file whose reading ended with status (NotBmp also for a file
// that could not be read, and for a decoded picture that could not be made): none for Ok, one for
// Unsupported, the not-found box and the path for anything else. The picture then is not shown and
// the command that wanted it goes on without it.
std::vector<std::string> pictureProblemMessages(const std::string& path, BmpStatus status,
                                                const std::string& problem,
                                                PictureSource source = PictureSource::PlainFile);

}  // namespace vellaro
