#pragma once
#include <cstdint>

// The entry/exit type that the face-recognition terminal adapters give each record they hand out.
// Ordinals are fixed (0..4).
enum TIOType : std::uint8_t { iotNone, iotEnter, iotExit, ioVacation, ioMission };
