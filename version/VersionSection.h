#pragma once

// The ELF section that carries a program's version block on systems without version resources.
// Both the build step that writes it and the reader that finds it use this name.
namespace verinfo {
inline constexpr char kVersionSectionName[] = ".quelta_version";
} // namespace verinfo
