#pragma once

// The names and numbers others know the program by, written once: the phone app, the camera
// component, the helper and the tests all take them from here.
namespace Product {

// Phones connect here first; when it is taken, the system chooses another port.
inline constexpr int phonePort = 8788;
// The camera as every program lists it: the PipeWire node, the loopback device's label and the
// DirectShow filter's name.
inline constexpr char cameraName[] = "Vidlet Camera";
inline constexpr wchar_t cameraNameWide[] = L"Vidlet Camera";

} // namespace Product
