#include "qt/path_text.h"

namespace tolvern {

QString BreakablePaths(const std::string& text) {
  const QString in = QString::fromStdString(text);
  QString out;
  out.reserve(in.size() + in.size() / 8);
  qsizetype word = 0;  // where the current run of text without blanks began
  for (qsizetype i = 0; i < in.size(); ++i) {
    const QChar c = in[i];
    if (c.isSpace()) word = i + 1;
    out += c;
    const bool separator = c == u'/' || c == u'\\';
    if (!separator && c != u'-') continue;
    // Only a word too long for a line needs the break: "BDE/ADO" stays whole.
    qsizetype end = i;
    while (end < in.size() && !in[end].isSpace()) ++end;
    if (end - word > kShortWord) out += QChar(separator ? kPathBreak : kNoBreak);
  }
  return out;
}

QString WithoutPathBreaks(QString text) {
  return text.remove(QChar(kPathBreak)).remove(QChar(kNoBreak));
}

}  // namespace tolvern
