#include "sound/fft.h"

#include <cmath>
#include <utility>

namespace vellaro {

size_t powerOfTwoAtLeast(size_t n) {
  size_t p = 2;
  while (p < n) p *= 2;
  return p;
}

Fft::Fft(size_t size) : size_(size), twiddles_(size / 2), reversed_(size) {
  const double pi = 3.14159265358979323846;
  for (size_t k = 0; k < size / 2; ++k) {
    double angle = -2.0 * pi * static_cast<double>(k) / static_cast<double>(size);
    twiddles_[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
  }
  size_t bits = 0;
  while ((size_t{1} << bits) < size) ++bits;
  for (size_t i = 0; i < size; ++i) {
    uint32_t r = 0;
    for (size_t b = 0; b < bits; ++b) r |= static_cast<uint32_t>(((i >> b) & 1u) << (bits - 1 - b));
    reversed_[i] = r;
  }
}

void Fft::forward(std::complex<float>* data) const { transform(data, false); }

void Fft::inverse(std::complex<float>* data) const { transform(data, true); }

void Fft::transform(std::complex<float>* data, bool inverse) const {
  for (size_t i = 0; i < size_; ++i) {
    if (i < reversed_[i]) std::swap(data[i], data[reversed_[i]]);
  }
  for (size_t half = 1; half < size_; half *= 2) {
    const size_t stride = size_ / (2 * half);
    for (size_t start = 0; start < size_; start += 2 * half) {
      for (size_t k = 0; k < half; ++k) {
        const std::complex<float> w = twiddles_[k * stride];
        const float wi = inverse ? -w.imag() : w.imag();
        const std::complex<float> b = data[start + k + half];
        // Written out: std::complex's operator* checks for infinities on every product.
        const std::complex<float> odd{w.real() * b.real() - wi * b.imag(), w.real() * b.imag() + wi * b.real()};
        data[start + k + half] = data[start + k] - odd;
        data[start + k] += odd;
      }
    }
  }
}

}  // namespace vellaro
