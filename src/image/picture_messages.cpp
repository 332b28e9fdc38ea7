#include "image/picture_messages.h"

#include "base/text_format.h"

namespace vellaro {

std::string pictureCannotShowMessage(const std::string& path, const std::string& problem) {
  return format(kPictureUnusable, path.c_str(), problem.c_str());
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
  const char* notFound = source == PictureSource::PlainFile ? kPlainPictureMissing : kPictureMissingEverywhere;
  return {notFound, path};
}

}  // namespace vellaro
