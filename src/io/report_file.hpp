// The report file of a run, whole or absent: written beside its name and
// renamed into place, so the name holds either the previous complete report
// or the new one.
#pragma once

#include <sys/types.h>

#include <optional>
#include <ostream>
#include <streambuf>
#include <string>

#include "io/session.hpp"
#include "io/stop_signals.hpp"

namespace helisolv {

namespace detail {

// The records of a report, written to a descriptor at each flush.
class DescriptorBuffer : public std::streambuf {
 public:
  int fd = -1;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  std::string pending_;
};

struct DescriptorBufferHolder {
  DescriptorBuffer buffer;
};

}  // namespace detail

// The result file of a run. The report goes to a temporary file beside it and
// putInPlace() gives it the file's name, so until then the name holds the
// previous complete report; a character device (/dev/null, a terminal) is
// written directly. A symbolic link is followed: the file it names is
// replaced, the link kept. Each flush writes the records so far.
class ReportFile : private detail::DescriptorBufferHolder, public std::ostream {
 public:
  // io: the run whose warnings say when the report must be written in place
  // or cannot be shown to a command.
  ReportFile(Interruption* interruption, Session& io);
  ~ReportFile() override;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Starts a new report for name; on failure sets failbit, errno saying why.
  // A file that exists but may not be written is refused, as a plain open
  // would refuse it.
  void open(const std::string& name);

  // Renames the report into place (a device: nothing to do). Returns why it
  // failed; then the previous report stays.
  std::optional<std::string> putInPlace();

  // Puts a copy of the report so far in place, for a command run at a pause
  // that reads it; the report goes on in its temporary file.
  void showSoFar();

 private:
  void closeFile();

  Interruption* interruption_;
  Session& io_;
  bool direct_ = false;
  std::string temp_, target_;
  std::optional<mode_t> mode_;  // of the previous report, kept by the new one
};

}  // namespace helisolv
