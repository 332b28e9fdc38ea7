// A radix-2 complex FFT of one fixed size, its tables made once so that a transform allocates
// nothing (the listener runs it on the capture thread).
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellaro {

// The smallest power of two, at least 2, that is n or more: a size the FFT takes.
size_t powerOfTwoAtLeast(size_t n);

class Fft {
 public:
  // size must be a power of two, at least 2.
  explicit Fft(size_t size);
  size_t size() const { return size_; }
  // In place, unscaled: inverse(forward(x)) is size * x.
  void forward(std::complex<float>* data) const;
  void inverse(std::complex<float>* data) const;

 private:
  void transform(std::complex<float>* data, bool inverse) const;
  size_t size_;
  std::vector<std::complex<float>> twiddles_;  // e^(-2 pi i k / size) for k < size / 2
  std::vector<uint32_t> reversed_;             // bit-reversed index of every position
};

}  // namespace vellaro
