// Writes 24-bit RGB pictures as PNG files, with no library: the image data goes into stored
// (uncompressed) deflate blocks, which every PNG reader accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// rgb holds height rows of width pixels, three bytes each, top row first.
bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgb);

} // namespace demo
