#pragma once
#include <cstdint>

// The calendar a date is written in. Ordinals are fixed: settings and dictionaries store them.
enum TDateType : std::uint8_t { Christian, Solar };
