// Exception types of the tool. Each kind of failure has its own type so that
// callers and tests can tell them apart; every message names the file or the
// place it is about.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace tolvern {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // message: the system's own text; detail: which file or folder, which
  // operation and the system's reason, where the message does not say it.
  Exception(const std::string& message, std::string detail)
      : std::runtime_error(message), detail_(std::move(detail)) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// A file or folder could not be created.
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// A file could not be opened for reading.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// A file could be opened but not read or written completely.
class EReadError : public Exception {
 public:
  using Exception::Exception;
};
class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

// A backup copy of an original failed; the run stops before any original is
// replaced.
class EBackupError : public Exception {
 public:
  using Exception::Exception;
};

// Another run holds the lock of the tree a run would change.
class ERunLocked : public Exception {
 public:
  using Exception::Exception;
};

// A failure of kind E (EStreamError, EParserError...) in a named file. The
// file and the reason are kept apart, for a caller that names the file
// itself (a report's entry of that file); what() joins them as a person
// reads them: "file: reason". It is caught as an E, too.
template <typename E>
class ErrorInFile : public E {
 public:
  ErrorInFile(std::string file, std::string reason)
      : E(file + ": " + reason), file_(std::move(file)), reason_(std::move(reason)) {}
  const std::string& File() const { return file_; }
  const std::string& Reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

// An internal consistency check failed.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace tolvern
