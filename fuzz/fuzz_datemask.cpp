// The date grid's mask: the Text1 key-press, change and focus handlers over arbitrary event
// sequences on the thirteen boxes, from texts that a program may have put there. After every
// event each box's caret lies within its text and before the mask's end, a box of ten or
// fewer characters never grows past ten, and a "dd/mm/yyyy"-shaped text keeps its slashes.
// Input: up to 13 lines, the boxes' first texts ~~ events of two bytes (what, argument).
#include "fuzz_support.h"
#include "paydates/dategrid.h"

using namespace zr;

namespace {

constexpr std::size_t kMaxEvents = 512;

bool slashed(const std::string& t) {
  return t.size() == 10 && t[2] == '/' && t[5] == '/';
}

void check(const MainForm& form, const std::array<std::string, kGridBoxes>& before) {
  for (std::size_t k = 0; k < kGridBoxes; ++k) {
    const std::string& t = form.Text1[k];
    const int caret = form.Text1Box[k].caret;
    if (caret < 0 || caret > 10 || static_cast<std::size_t>(caret) > t.size())
      fuzz::fault("the caret left its text or the mask");
    if (before[k].size() <= 10 && t.size() > 10) fuzz::fault("a box grew past ten characters");
    if (slashed(before[k]) && !slashed(t)) fuzz::fault("a typed date lost its slashes");
  }
  if (form.gridFocus < -1 || form.gridFocus >= kGridBoxes) fuzz::fault("the focus");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto part = fuzz::parts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
  fuzz::Root& root = fuzz::freshRoot();
  platform::ScriptedUi* ui = nullptr;
  auto app = fuzz::makeApp(root, ui);
  MainForm& form = app->form;
  form.Text1.fill("00/00/0000");
  std::string_view lines = part[0];
  for (std::size_t k = 0; k < kGridBoxes && !lines.empty(); ++k) {
    const std::size_t end = lines.find('\n');
    form.Text1[k] = std::string(lines.substr(0, end));
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
  }

  const std::string_view events = part[1];
  for (std::size_t i = 0; i + 1 < events.size() && i / 2 < kMaxEvents; i += 2) {
    const auto what = static_cast<unsigned char>(events[i]);
    const int arg = static_cast<unsigned char>(events[i + 1]);
    const int box = what / 8 % 14 == 13 ? -1 : what / 8 % 14;  // now and then no box at all
    const auto before = form.Text1;
    switch (what % 8) {
      case 0:
      case 1:
      case 2: {
        int key = arg;
        Text1_KeyPress(*app, box, key);
        if (key != 0) fuzz::fault("a key reached the box");
        break;
      }
      case 3:
        Text1_GotFocus(form, box);
        break;
      case 4:
        Text1_LostFocus(*app, box);
        break;
      case 5:
        Text1_Change(form, box);
        break;
      case 6:
        // The focus moves on from the box that has it to another, as the window's tab does.
        if (form.gridFocus >= 0) Text1_LostFocus(*app, form.gridFocus);
        Text1_GotFocus(form, arg % kGridBoxes);
        break;
      default:
        if (arg % 16 == 0) clearGrid(form);
        break;
    }
    check(form, before);
    ui->events.clear();
  }
  return 0;
}
