#pragma once

// The project's version (CMakeLists.txt), given by the build.
inline constexpr char kVersion[] = SDI12_VERSION;
