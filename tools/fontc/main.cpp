// fontc OUTPUT.cpp SYMBOL FILE.bdf EXTRA_TOP_ROWS [SYMBOL FILE.bdf EXTRA_TOP_ROWS]...
// Converts BDF fonts into one C++ source. The output is rewritten only when its text
// changes, so an unchanged font does not recompile anything.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bdf_font.h"

namespace {

bool IsIdentifier(const std::string& s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

int Usage() {
  std::cerr << "usage: fontc OUTPUT.cpp SYMBOL FILE.bdf EXTRA_TOP_ROWS [...]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) return Usage();
  const std::string output = argv[1];
  std::vector<fontc::TNamedFont> fonts;
  try {
    for (int i = 2; i < argc; i += 3) {
      const std::string symbol = argv[i], file = argv[i + 1], extra = argv[i + 2];
      if (!IsIdentifier(symbol)) {
        std::cerr << "fontc: '" << symbol << "' is not a C++ identifier\n";
        return 2;
      }
      if (extra.empty() || extra.find_first_not_of("0123456789") != std::string::npos ||
          extra.size() > 2) {
        std::cerr << "fontc: extra top rows '" << extra << "' is not a small number\n";
        return 2;
      }
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::cerr << file << ":0: cannot open\n";
        return 1;
      }
      const std::string base = file.substr(file.find_last_of('/') + 1);
      fonts.push_back({symbol, base, fontc::ReadBdf(in, file, std::stoi(extra))});
    }
  } catch (const fontc::TBdfError& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }

  const std::string text = fontc::EmitCpp(fonts);
  {
    std::ifstream old(output, std::ios::binary);
    if (old) {
      const std::string current((std::istreambuf_iterator<char>(old)),
                                std::istreambuf_iterator<char>());
      if (current == text) return 0;
    }
  }
  const std::string temp = output + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      std::cerr << output << ":0: cannot write\n";
      return 1;
    }
  }
  if (std::rename(temp.c_str(), output.c_str()) != 0) {
    std::cerr << output << ":0: cannot replace\n";
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}
