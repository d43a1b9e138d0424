#include "platform/host/wayland/wl_xcursor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace platform::wl {
namespace {

constexpr std::uint32_t kMagic = 0x72756358;  // "Xcur"
constexpr std::uint32_t kImageType = 0xFFFD0002;
constexpr std::uint32_t kImageHeader = 36;
constexpr std::uint32_t kMaxToc = 0x10000;
constexpr std::uint32_t kMaxSide = 1024;
constexpr int kMaxInherit = 8;

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

bool ReadWords(std::FILE* f, std::uint32_t* words, std::size_t count) {
  unsigned char bytes[4 * 9];
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min<std::size_t>(count - done, 9);
    if (std::fread(bytes, 4, n, f) != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned char* b = bytes + 4 * i;
      words[done + i] = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                        std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    done += n;
  }
  return true;
}

// Plain C reads, no C++ streams: those would link the streams' and locales' machinery,
// and its start-up work, into the program for every host.
std::vector<std::string> SearchPath() {
  const char* path = std::getenv("XCURSOR_PATH");
  if (path == nullptr || !*path) {
    path = "~/.local/share/icons:~/.icons:/usr/share/icons:/usr/share/pixmaps";
  }
  const char* home = std::getenv("HOME");
  std::vector<std::string> dirs;
  for (const char* p = path;; ++p) {
    const char* end = p;
    while (*end != '\0' && *end != ':') ++end;
    std::string dir(p, end);
    if (!dir.empty() && dir[0] == '~') {
      dir = home != nullptr && *home ? home + dir.substr(1) : std::string();
    }
    if (!dir.empty()) dirs.push_back(std::move(dir));
    if (*end == '\0') break;
    p = end;
  }
  return dirs;
}

// The themes named by the Inherits= line of a theme's index.theme.
std::vector<std::string> Inherits(const std::string& dir, const std::string& theme) {
  std::vector<std::string> out;
  TFile index(std::fopen((dir + "/" + theme + "/index.theme").c_str(), "re"));
  if (!index) return out;
  std::string line;
  for (int c = 0; c != EOF;) {
    line.clear();
    while ((c = std::fgetc(index.get())) != EOF && c != '\n') line += char(c);
    if (line.rfind("Inherits", 0) != 0) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name;
    for (char ch : line.substr(eq + 1) + ",") {
      if (ch == ',' || ch == ';' || ch == ' ' || ch == '\t' || ch == '\r') {
        if (!name.empty()) out.push_back(name);
        name.clear();
      } else {
        name += ch;
      }
    }
    break;
  }
  return out;
}

bool Find(const std::vector<std::string>& dirs, const std::string& theme,
          const std::string& name, int size, int depth, TXcursorImage& image) {
  if (depth > kMaxInherit || theme.empty() || theme.find('/') != std::string::npos) {
    return false;
  }
  for (const std::string& dir : dirs) {
    if (ReadXcursorFile(dir + "/" + theme + "/cursors/" + name, size, image)) return true;
  }
  for (const std::string& dir : dirs) {
    for (const std::string& parent : Inherits(dir, theme)) {
      if (parent != theme && Find(dirs, parent, name, size, depth + 1, image)) return true;
    }
  }
  return false;
}

}  // namespace

bool ReadXcursorFile(const std::string& path, int size, TXcursorImage& image) {
  TFile f(std::fopen(path.c_str(), "rbe"));
  if (!f) return false;
  std::uint32_t header[4];
  if (!ReadWords(f.get(), header, 4) || header[0] != kMagic || header[1] < 16 ||
      header[3] == 0 || header[3] > kMaxToc) {
    return false;
  }
  if (std::fseek(f.get(), long(header[1]), SEEK_SET) != 0) return false;
  // The table of contents: type, nominal size, position.
  std::vector<std::uint32_t> toc(std::size_t(header[3]) * 3);
  if (!ReadWords(f.get(), toc.data(), toc.size())) return false;
  std::uint32_t best = 0;
  long bestAt = -1;
  const auto distance = [size](std::uint32_t s) {
    return s > std::uint32_t(size) ? s - std::uint32_t(size) : std::uint32_t(size) - s;
  };
  for (std::size_t i = 0; i < header[3]; ++i) {
    const std::uint32_t* e = &toc[3 * i];
    if (e[0] != kImageType) continue;
    if (bestAt < 0 || distance(e[1]) < distance(best)) {
      best = e[1];
      bestAt = long(e[2]);
    }
  }
  if (bestAt < 0 || std::fseek(f.get(), bestAt, SEEK_SET) != 0) return false;
  // header, type, nominal size, version, width, height, hot x, hot y, delay
  std::uint32_t chunk[9];
  if (!ReadWords(f.get(), chunk, 9) || chunk[0] != kImageHeader || chunk[1] != kImageType ||
      chunk[2] != best || chunk[4] == 0 || chunk[5] == 0 || chunk[4] > kMaxSide ||
      chunk[5] > kMaxSide || chunk[6] >= chunk[4] || chunk[7] >= chunk[5]) {
    return false;
  }
  TXcursorImage read;
  read.Width = int(chunk[4]);
  read.Height = int(chunk[5]);
  read.HotX = int(chunk[6]);
  read.HotY = int(chunk[7]);
  read.Pixels.resize(std::size_t(chunk[4]) * std::size_t(chunk[5]));
  if (!ReadWords(f.get(), read.Pixels.data(), read.Pixels.size())) return false;
  image = std::move(read);
  return true;
}

bool LoadXcursor(const std::string& theme, const std::string& name, int size,
                 TXcursorImage& image) {
  const std::vector<std::string> dirs = SearchPath();
  if (Find(dirs, theme.empty() ? "default" : theme, name, size, 0, image)) return true;
  // A theme that lacks the cursor, as libXcursor does: the default theme's.
  return !theme.empty() && theme != "default" && Find(dirs, "default", name, size, 0, image);
}

}  // namespace platform::wl
