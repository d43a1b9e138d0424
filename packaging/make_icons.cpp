// klop-icons: the desktop's icon theme files made from the game's icon.
//
//   klop-icons ICON.xpm FOLDER NAME SIDE...
//
// writes FOLDER/SIDExSIDE/apps/NAME.png for every SIDE and FOLDER/scalable/apps/NAME.svg,
// the layout of an icon theme's folder.
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "packaging/icons.h"
#include "tools/png/png_writer.h"
#include "tools/rc/xpm_reader.h"

namespace fs = std::filesystem;

namespace {

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::cerr << "usage: klop-icons ICON.xpm FOLDER NAME SIDE...\n";
    return 2;
  }
  const std::string source = argv[1];
  const fs::path folder = argv[2];
  const std::string name = argv[3];
  try {
    std::ifstream in(source, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + source);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto icon = klop::packaging::IconFromXpm(klop::rc::ReadXpm(text, source));
    if (!icon) throw std::runtime_error(source + " is not square");

    for (int i = 4; i < argc; ++i) {
      std::size_t used = 0;
      int side = 0;
      try {
        side = std::stoi(argv[i], &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || argv[i][used] != '\0')
        throw std::runtime_error(std::string("bad side '") + argv[i] + "'");
      const auto scaled = klop::packaging::ScaleIcon(*icon, side);
      if (!scaled) {
        throw std::runtime_error(std::to_string(side) + " is no whole multiple or fraction of " +
                                 std::to_string(icon->Side));
      }
      const fs::path dir = folder / (std::to_string(side) + "x" + std::to_string(side)) / "apps";
      fs::create_directories(dir);
      if (!klop::png::WritePng(dir / (name + ".png"), side, side, scaled->Pixels,
                               klop::png::TPngColour::Rgba, klop::png::TPngPacking::Runs)) {
        throw std::runtime_error("cannot write " + (dir / (name + ".png")).string());
      }
    }
    const fs::path dir = folder / "scalable" / "apps";
    fs::create_directories(dir);
    if (!WriteText(dir / (name + ".svg"), klop::packaging::IconSvg(*icon))) {
      throw std::runtime_error("cannot write " + (dir / (name + ".svg")).string());
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "klop-icons: " << e.what() << "\n";
    return 1;
  }
}
