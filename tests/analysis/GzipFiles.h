#pragma once
// Real gzip files for the record and cache tests, written and read through
// zlib as any other program would.
#include <zlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace balvek::testing {

inline void WriteGzip(const std::string& path, std::string_view bytes, const char* mode = "wb") {
  gzFile file = gzopen(path.c_str(), mode);
  if (!file || gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) != static_cast<int>(bytes.size()) ||
      gzclose(file) != Z_OK)
    throw std::runtime_error("cannot write " + path);
}

// The whole decompressed content; throws when the stream is damaged.
inline std::string ReadGzip(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open " + path);
  std::string out;
  char block[8192];
  int n;
  while ((n = gzread(file, block, sizeof block)) > 0) out.append(block, static_cast<std::size_t>(n));
  if (gzclose(file) != Z_OK || n < 0) throw std::runtime_error("damaged " + path);
  return out;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace balvek::testing
