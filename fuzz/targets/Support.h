// Helpers of the fuzz targets: the scratch directory, whole-file writes and reads, and Require.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvlfuzz {

// Aborts with the message when cond is false: the engine contradicted itself.
void Require(bool cond, const char* what);

bool WriteFile(const std::string& path, const void* data, size_t size);
bool ReadFile(const std::string& path, std::string& out);

}  // namespace kvlfuzz
