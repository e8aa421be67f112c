#pragma once

inline constexpr char kVersion[] = "1.0.2";
