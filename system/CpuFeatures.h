#pragma once

// The vector instructions this processor and its operating system offer, asked once. The
// conversions' vector kernels (the decoder's YUV to BGR, the camera's BGR to I420) choose by it.
// x86-64 only; free of Qt, as the camera component links it.
namespace CpuFeatures {

bool hasAvx2();
bool hasAvx512(); // F, BW and VBMI

} // namespace CpuFeatures
