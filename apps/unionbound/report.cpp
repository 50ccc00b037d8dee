#include "apps/unionbound/report.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <iomanip>

namespace unionbound {
namespace {

void WriteBlock(const char* title, const BoundResult& bound, double seconds, std::ostream& s) {
  s << title << std::endl;
  s << std::setprecision(15) << bound.value << std::endl;
  s << "Running time: " << seconds << std::endl;
  s << "Basis subscripts:";
  PrintIndexVector(bound.basis, s);
  s << std::endl;
}

}  // namespace

void PrintIndexVector(const IndexVector& v, std::ostream& s) {
  s << std::endl << "{";
  for (std::int32_t entry : v) {
    s << entry << ",";
  }
  s << "}" << std::endl;
}

void WriteBoundBlocks(const BoundReport& report, std::ostream& s) {
  s << std::endl;
  WriteBlock("Sharp lower bound on the probability of the union:", report.lower, report.lower_time,
             s);
  WriteBlock("Sharp upper bound on the probability of the union:", report.upper, report.upper_time,
             s);
}

AppendFile::AppendFile(const char* path) {
  errno = 0;
  fd_ = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  open_error_ = fd_ < 0 ? (errno != 0 ? errno : EACCES) : 0;
}

AppendFile::~AppendFile() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

int AppendFile::AppendAndClose(std::string_view bytes) {
  if (fd_ < 0) {
    return open_error_ != 0 ? open_error_ : EBADF;
  }
  // Other runs append only while they hold the lock, so the bytes land together.
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  int error = 0;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      error = wrote < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(wrote);
  }
  // Closing releases the lock; a close that fails may have lost what was written.
  const int closed = ::close(fd_);
  fd_ = -1;
  if (error == 0 && closed != 0) {
    error = errno;
  }
  return error;
}

}  // namespace unionbound
