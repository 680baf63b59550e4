#pragma once
// What both fuzz targets share: the libraries loaded once with their log silenced, and the
// fuzz input written to a file of this process, since the components open files by name.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvel::fuzz {

// Loads the converter's libraries and silences the log; aborts when they cannot be loaded,
// as no input could be tested then.
void Setup();
// A folder of this process for the input and any output files.
const std::string& WorkDir();
// Writes the bytes to WorkDir()/input and returns that path.
std::string WriteInput(const uint8_t* data, size_t size);

} // namespace orvel::fuzz
