// What the fuzz targets share: a folder of their own for the files they write, the headless
// services, a log that keeps nothing, and a check that stops the run with a message.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/Headless.h"
#include "shared/AplMsg.h"

namespace fuzzsupport {

// A broken promise of a reader: reported and the run stopped (libFuzzer keeps the input).
#define FUZZ_CHECK(cond)                                                                   \
  do {                                                                                      \
    if (!(cond)) {                                                                          \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);         \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

class QuietLog : public quorel::LogSink {
 public:
  void Post(int, int, std::string_view) override { ++count; }
  void PostAlways(int, int, std::string_view) override { ++count; }
  void PostUnique(int, int, std::string_view) override { ++count; }
  long count = 0;
};

// Made once per process: headless services, the quiet log, and a fresh folder under the
// system's temporary folder (removed when the process ends).
struct Environment {
  Environment() {
    // In memory where there is such a folder: the savers flush every file they write.
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string tmpl = (base / "quorel_fuzz_XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    folder = tmpl;
    session.application.program_path = folder + "/orvanto";
    session.desktop.documents_folder = folder;
    quorel::SetLogSink(&log);
  }
  ~Environment() {
    quorel::SetLogSink(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  std::string File(std::string_view name) const { return folder + "/" + std::string(name); }
  platform::HeadlessSession session;
  QuietLog log;
  std::string folder;
};

inline Environment& Env() {
  static Environment env;
  return env;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Two writes of one document must be the same bytes: when they are not, where they part is
// shown (bytes escaped) and the run stopped.
inline void CheckSameBytes(const std::string& a, const std::string& b) {
  if (a == b) return;
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at > 200 ? at - 200 : 0;
  auto show = [&](const std::string& s) {
    std::string out;
    for (std::size_t i = from; i < s.size() && i < at + 200; ++i) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      if (c == '\n' || (c >= 32 && c < 127)) out += char(c);
      else out += "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    }
    return out;
  };
  std::fprintf(stderr, "--- written, from byte %zu ---\n%s\n--- written again ---\n%s\n", from, show(a).c_str(),
               show(b).c_str());
  FUZZ_CHECK(a == b);
}

}  // namespace fuzzsupport
