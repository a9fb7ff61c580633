#include "platform/qt/guiapp.h"

#include <QGuiApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/errors.h"

namespace zr::platform::qt {
namespace {

void criticalsOnly(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

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
  // Qt adopts the environment's C locale; the rest of the program keeps the one it had.
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  previousHandler_ = qInstallMessageHandler(criticalsOnly);
  try {
    app_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
  } catch (...) {
    qInstallMessageHandler(previousHandler_);
    throw;
  }
  std::setlocale(LC_ALL, locale.c_str());
}

GuiApplicationGuard::~GuiApplicationGuard() {
  if (!app_) return;
  app_.reset();
  qInstallMessageHandler(previousHandler_);
}

}  // namespace zr::platform::qt
