#include "image/picture_messages.h"

namespace vellaro {

std::string pictureCannotShowMessage(const std::string& path, const std::string& problem) {
  return kPictureCannotShowMessage + path + ": " + problem;
}

std::vector<std::string> pictureProblemMessages(const std::string& path, BmpStatus status,
                                                const std::string& problem, PictureSource source) {
  switch (status) {
    case BmpStatus::Ok:
      return {};
    case BmpStatus::Unsupported:
      return {pictureCannotShowMessage(path, problem)};
    case BmpStatus::NotBmp:
      break;
  }
  const char* notFound = source == PictureSource::PlainFile ? kPictureNotFoundMessage : kPictureNotFoundAtAllMessage;
  return {notFound, path};
}

}  // namespace vellaro
