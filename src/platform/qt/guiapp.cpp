#include "platform/qt/guiapp.h"

#include <QGuiApplication>
#include <cstdlib>

#include "platform/errors.h"

namespace zr::platform::qt {

GuiApplicationGuard::GuiApplicationGuard() {
  if (QCoreApplication* running = QCoreApplication::instance()) {
    if (!qobject_cast<QGuiApplication*>(running))
      throw RuntimeError::of(482, "a Qt application without fonts is already running");
    return;
  }
  args_ = {"zorir770"};
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (!chosen || !*chosen) args_.insert(args_.end(), {"-platform", "offscreen"});
  for (std::string& a : args_) argv_.push_back(a.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(args_.size());
  app_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
}

GuiApplicationGuard::~GuiApplicationGuard() = default;

}  // namespace zr::platform::qt
