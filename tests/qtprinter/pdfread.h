// Reading a printed PDF back with poppler's tools (pdfinfo, pdftotext, pdffonts, pdftoppm):
// its page count, its text page by page, its fonts and each page as a grey image. Writes only
// beside the PDF it reads.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/test_util.h"

namespace zr::testing {

// Runs a command line whose output goes to `out`; a failing tool fails the test's reading.
inline std::string runTool(const std::string& command, const std::filesystem::path& out) {
  const std::string line = command + " > '" + out.string() + "' 2>&1";
  const int status = std::system(line.c_str());
  const std::string text = bytesOf(out);
  if (status != 0) throw std::runtime_error(command + " failed: " + text);
  return text;
}

inline std::string quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

inline int pdfPages(const std::filesystem::path& pdf) {
  std::istringstream info(runTool("pdfinfo " + quoted(pdf), pdf.string() + ".info"));
  for (std::string line; std::getline(info, line);)
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  return -1;
}

// The text of each page, lines as laid out.
inline std::vector<std::string> pdfTextPages(const std::filesystem::path& pdf) {
  const std::filesystem::path txt = pdf.string() + ".txt";
  runTool("pdftotext -layout -enc UTF-8 " + quoted(pdf) + " " + quoted(txt), pdf.string() + ".log");
  std::vector<std::string> pages;
  std::istringstream all(bytesOf(txt));
  for (std::string page; std::getline(all, page, '\f');) pages.push_back(page);
  if (!pages.empty() && pages.back().find_first_not_of("\n ") == std::string::npos)
    pages.pop_back();  // what follows the last page's form feed
  return pages;
}

inline std::vector<std::string> linesOf(const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);)
    if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
  return lines;
}

// A word as pdftotext places it: its box in points from the page's top left.
struct PdfWord {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::string text;
};

inline double attribute(const std::string& tag, const std::string& name) {
  const std::size_t at = tag.find(name + "=\"");
  if (at == std::string::npos) throw std::runtime_error("no " + name + " in " + tag);
  const char* first = tag.data() + at + name.size() + 2;
  double value = 0;
  std::from_chars(first, tag.data() + tag.size(), value);  // not the C locale's reading
  return value;
}

// The words of each page, in the order drawn.
inline std::vector<std::vector<PdfWord>> pdfWords(const std::filesystem::path& pdf) {
  const std::filesystem::path html = pdf.string() + ".html";
  runTool("pdftotext -bbox -enc UTF-8 " + quoted(pdf) + " " + quoted(html), pdf.string() + ".log");
  const std::string all = bytesOf(html);
  std::vector<std::vector<PdfWord>> pages;
  for (std::size_t at = all.find('<'); at != std::string::npos; at = all.find('<', at + 1)) {
    if (all.compare(at, 6, "<page ") == 0) pages.emplace_back();
    if (all.compare(at, 6, "<word ") != 0 || pages.empty()) continue;
    const std::size_t close = all.find('>', at), end = all.find("</word>", at);
    const std::string tag = all.substr(at, close - at);
    pages.back().push_back({attribute(tag, "xMin"), attribute(tag, "yMin"),
                            attribute(tag, "xMax"), attribute(tag, "yMax"),
                            all.substr(close + 1, end - close - 1)});
  }
  return pages;
}

inline std::string pdfFonts(const std::filesystem::path& pdf) {
  return runTool("pdffonts " + quoted(pdf), pdf.string() + ".fonts");
}

// A page rendered in 8-bit grey (0 black, 255 white), with positions in millimetres.
struct GreyPage {
  int width = 0, height = 0, dpi = 0;
  std::vector<unsigned char> pixels;

  int px(double mm) const { return static_cast<int>(mm * dpi / 25.4); }
  // Dark pixels in the box [x0, x1) x [y0, y1), in millimetres from the top left.
  int darkIn(double x0, double y0, double x1, double y1) const {
    int n = 0;
    for (int y = std::max(0, px(y0)); y < std::min(height, px(y1)); ++y)
      for (int x = std::max(0, px(x0)); x < std::min(width, px(x1)); ++x)
        n += pixels[static_cast<std::size_t>(y) * width + x] < 128;
    return n;
  }
  int dark() const { return darkIn(0, 0, 1e6, 1e6); }
};

inline GreyPage readPgm(const std::filesystem::path& file, int dpi) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int maxval = 0;
  GreyPage page;
  page.dpi = dpi;
  in >> magic >> page.width >> page.height >> maxval;
  in.get();  // the one blank before the samples
  if (magic != "P5" || maxval != 255) throw std::runtime_error(file.string() + ": not 8-bit PGM");
  page.pixels.resize(static_cast<std::size_t>(page.width) * page.height);
  in.read(reinterpret_cast<char*>(page.pixels.data()), static_cast<std::streamsize>(page.pixels.size()));
  if (!in) throw std::runtime_error(file.string() + ": short PGM");
  return page;
}

// Every page rendered at `dpi`: pdftoppm writes one file per page, numbered from 1.
inline std::vector<GreyPage> renderPages(const std::filesystem::path& pdf, int dpi) {
  const std::filesystem::path dir = pdf.string() + ".pages";
  std::filesystem::create_directories(dir);
  runTool("pdftoppm -r " + std::to_string(dpi) + " -gray " + quoted(pdf) + " " +
              quoted(dir / "p"),
          pdf.string() + ".log");
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());  // the numbers are zero-padded to one width
  std::vector<GreyPage> pages;
  for (const auto& f : files) pages.push_back(readPgm(f, dpi));
  return pages;
}

}  // namespace zr::testing
