// A PNG of 0x00BBGGRR pixels (8-bit RGB, deflate's stored blocks): what the
// Windows build writes its window pictures with, having no toolkit to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string EncodePng(const std::vector<std::uint32_t>& pixels, int width, int height);
// False with the file and the reason in error.
bool WritePngFile(const std::string& path, const std::string& png, std::string& error);
