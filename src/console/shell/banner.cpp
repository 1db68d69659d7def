#include "shell/banner.hpp"

#include <array>
#include <string>
#include <utility>

#include "shell/display.hpp"

namespace varnelo {

namespace {

struct Glyph {
  char letter;
  std::array<const char*, 5> rows;
};

// Five-row letters; every "#" is drawn as "$" and a "\___/" foot stands under each letter.
constexpr Glyph glyphs[] = {
    {'A', {" ### ", "#   #", "#####", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#### ", "#   #", "#### "}},
    {'C', {" ####", "#    ", "#    ", "#    ", " ####"}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#### ", "#    ", "#####"}},
    {'G', {" ####", "#    ", "#  ##", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#####", "#   #", "#   #"}},
    {'I', {"#####", "  #  ", "  #  ", "  #  ", "#####"}},
    {'J', {"#####", "   # ", "   # ", "#  # ", " ##  "}},
    {'K', {"#   #", "#  # ", "###  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "#   #", "#   #"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#### ", "#    ", "#    "}},
    {'R', {"#### ", "#   #", "#### ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", " ### ", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", " ### "}},
    {'Y', {"#   #", " # # ", "  #  ", "  #  ", "  #  "}},
    {'(', {" #", "# ", "# ", "# ", " #"}},
    {')', {"# ", " #", " #", " #", "# "}},
};

const Glyph* find_glyph(char letter) {
  for (const Glyph& glyph : glyphs)
    if (glyph.letter == letter) return &glyph;
  return nullptr;
}

using Segment = std::pair<std::uint16_t, const char*>;
struct LogoLine {
  Segment first;
  Segment second;
};

// Framed lines 1 to 17 of the program banner, each 60 columns between the frame characters.
constexpr LogoLine logo_lines[] = {
    {{15, "                                                            "}, {0, nullptr}},
    {{15, "  ##  ##   ####   #####   ##  ##  ######  ##       ####     "}, {0, nullptr}},
    {{15, "  ##  ##  ##  ##  ##  ##  ### ##  ##      ##      ##  ##    "}, {0, nullptr}},
    {{15, "  ##  ##  ##  ##  ##  ##  ######  ##      ##      ##  ##    "}, {0, nullptr}},
    {{15, "  ##  ##  ######  #####   ## ###  ####    ##      ##  ##    "}, {0, nullptr}},
    {{15, "   ####   ##  ##  ## ##   ##  ##  ##      ##      ##  ##    "}, {0, nullptr}},
    {{15, "    ##    ##  ##  ##  ##  ##  ##  ######  ######   ####     "}, {0, nullptr}},
    {{15, "                                                            "}, {0, nullptr}},
    {{15, "        files of any size, cut, joined and checked          "}, {0, nullptr}},
    {{11, "   .------.   .------.   .------.                           "}, {0, nullptr}},
    {{11, "   | .001 |-->| .002 |-->| .003 |"}, {2, "    split . join           "}},
    {{11, "   '------'   '------'   '------'"}, {2, "    compare . hash         "}},
    {{10, "      \\           |           /                             "}, {0, nullptr}},
    {{10, "       '----------+----------'"}, {2, "      encrypt . encode        "}},
    {{10, "                  |                                         "}, {0, nullptr}},
    {{11, "            [ one whole file ]                              "}, {0, nullptr}},
    {{2, "               made by "}, {10, "halbrecht                            "}},
};

void print_frame_border() {
  std::string border;
  for (int star = 0; star < 32; ++star)
    border += star == 0 ? "*" : " *";
  x(13);
  put(border + "\n");
}

}  // namespace

void print_banner(std::string_view word, std::uint16_t colour) {
  x(colour);
  for (std::size_t row = 0; row <= 5; ++row) {
    std::string line;
    for (char letter : word) {
      // The letters exist once, in capitals; a word may be given in any case.
      const Glyph* glyph =
          find_glyph(letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter);
      if (!glyph) {
        line += "   ";
        continue;
      }
      std::string cell = row < 5 ? glyph->rows[row] : "";
      if (row < 5) {
        for (char& c : cell)
          c = c == '#' ? '$' : ' ';
      } else {
        std::size_t width = std::string_view(glyph->rows[0]).size();
        cell = "\\" + std::string(width - 2, '_') + "/";
      }
      line += cell + "  ";
    }
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    put(line + "\n");
  }
  x(7);
}

void screen_banner(std::string_view english, std::string_view indonesian, std::uint16_t colour) {
  if (lang == 0) print_banner(english, colour);
  if (lang == 1) print_banner(indonesian, colour);
}

void print_logo() {
  print_frame_border();
  auto framed = [](auto&& draw_inside) {
    x(13);
    put("* ");
    draw_inside();
    x(13);
    put("*\n");
  };
  for (const LogoLine& line : logo_lines) {
    framed([&] {
      for (const Segment& segment : {line.first, line.second}) {
        if (!segment.second) continue;
        x(segment.first);
        put(segment.second);
      }
    });
  }
  const char* version_line = lang == 0   ? " Build date : Sunday, 12 February 2012 "
                             : lang == 1 ? "Tanggal dibuat: Minggu,12 Februari 2012"
                                         : "     Version 0.1 (12 February 2012)    ";
  framed([&] {
    x(14);
    put(version_line);
    x(10);
    put(" <=[###]=>  <=[###]=>");
  });
  print_frame_border();
  x(7);
}

}  // namespace varnelo
