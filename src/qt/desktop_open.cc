#include "qt/desktop_open.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#ifdef _WIN32
#include <QDesktopServices>
#include <QUrl>
#endif

namespace tolvern {

namespace {

#ifndef _WIN32
// The desktop's opener picks the program; without it there is none.
bool StartOpener(const QString& what) {
  const QString opener = QStandardPaths::findExecutable("xdg-open");
  return !opener.isEmpty() && QProcess::startDetached(opener, {what});
}
#endif

}  // namespace

bool OpenInViewer(const std::string& path) {
#ifdef _WIN32
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
#else
  return StartOpener(QString::fromStdString(path));
#endif
}

bool OpenLink(const std::string& url) {
#ifdef _WIN32
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
#else
  // The opener takes any link, and fails later, unseen, when no program is
  // set for its kind: the desktop is asked first.
  const QString link = QString::fromStdString(url);
  const QString scheme = link.section(':', 0, 0);
  const QString mime = QStandardPaths::findExecutable("xdg-mime");
  if (mime.isEmpty()) return false;
  QProcess query;
  query.start(mime, {"query", "default", "x-scheme-handler/" + scheme});
  if (!query.waitForFinished(5000) || query.exitCode() != 0 ||
      query.readAllStandardOutput().trimmed().isEmpty())
    return false;
  return StartOpener(link);
#endif
}

}  // namespace tolvern
