// rulecore: an embeddable expert-system shell.
#include "platform/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

namespace {
constexpr const char* SCannotCreate = "Cannot create file \"%s\": %s";
constexpr const char* SWriteError = "Error writing file \"%s\": %s";
}  // namespace

std::string TStream::ReadAll() {
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = Read(buf, sizeof buf)) > 0)
    out.append(buf, n);
  return out;
}

// ---------------------------------------------------------------- memory

size_t TMemoryStream::Read(void* buffer, size_t count) {
  size_t n = pos_ < data_.size() ? std::min(count, data_.size() - pos_) : 0;
  if (n) std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (pos_ > data_.size()) data_.resize(pos_);
  if (pos_ + count > data_.size()) data_.resize(pos_ + count);
  if (count) std::memcpy(data_.data() + pos_, buffer, count);
  pos_ += count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::kBeginning ? 0
                 : origin == SeekOrigin::kCurrent ? static_cast<int64_t>(pos_)
                                                  : static_cast<int64_t>(data_.size());
  int64_t p = base + offset;
  if (p < 0) throw EStreamError("Stream seek error: negative position");
  pos_ = static_cast<size_t>(p);
  return p;
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

void TMemoryStream::SetSize(size_t size) {
  data_.resize(size);
  pos_ = std::min(pos_, size);
}

// ---------------------------------------------------------------- file

namespace {
const char* ModeString(FileMode mode) {
  switch (mode) {
    case FileMode::kRead:
      return "rb";
    case FileMode::kWrite:
      return "wb";
    case FileMode::kAppend:
      return "ab";
    case FileMode::kReadWrite:
      return "r+b";
  }
  return "rb";
}
}  // namespace

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
  file_ = std::fopen(path.c_str(), ModeString(mode));
  if (!file_)
    throw EStreamError(Format("Cannot open file \"%s\": %s", {path, std::strerror(errno)}));
  // A folder opens for reading but reads as nothing: loading one would look
  // like loading an empty file.
  struct stat state {};
  if (::fstat(::fileno(file_), &state) == 0 && S_ISDIR(state.st_mode)) {
    std::fclose(file_);
    file_ = nullptr;
    throw EStreamError(Format("Cannot open file \"%s\": %s", {path, std::strerror(EISDIR)}));
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::Switch(LastOp next) {
  if (last_ != LastOp::kNone && last_ != next) std::fseek(file_, 0, SEEK_CUR);
  last_ = next;
}

size_t TFileStream::Read(void* buffer, size_t count) {
  Switch(LastOp::kRead);
  size_t n = std::fread(buffer, 1, count, file_);
  // A failed read must not pass for the end of the file.
  if (n < count && std::ferror(file_))
    throw EStreamError(Format("Error reading file \"%s\": %s", {path_, std::strerror(errno)}));
  return n;
}

void TFileStream::Write(const void* buffer, size_t count) {
  Switch(LastOp::kWrite);
  if (count && std::fwrite(buffer, 1, count, file_) != count)
    throw EStreamError(Format(SWriteError, {path_, std::strerror(errno)}));
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::kBeginning ? SEEK_SET
               : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                : SEEK_END;
  if (std::fseek(file_, offset, whence) != 0)
    throw EStreamError(Format("Stream seek error in \"%s\"", {path_}));
  last_ = LastOp::kNone;
  return std::ftell(file_);
}

int64_t TFileStream::Size() {
  long here = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  long size = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  last_ = LastOp::kNone;
  return size;
}

void TFileStream::Flush() {
  if (std::fflush(file_) != 0)
    throw EStreamError(Format(SWriteError, {path_, std::strerror(errno)}));
}

// ---------------------------------------------------------------- replacing a file

namespace {

[[noreturn]] void RaiseWriteError(const char* format, const std::string& path, int error) {
  throw EStreamError(Format(format, {path, std::strerror(error)}));
}

// Closes a descriptor and removes its file unless told that the file was
// handed over.
class TemporaryFile {
 public:
  TemporaryFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the descriptor; returns the error of close, 0 when none.
  int Close() {
    int result = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    return result;
  }
  void Keep() { kept_ = true; }

 private:
  int fd_;
  std::string path_;
  bool kept_ = false;
};

}  // namespace

void ReplaceFileContents(const std::string& path, std::string_view text) {
  namespace fs = std::filesystem;
  static std::atomic<unsigned> counter{0};
  std::string target = path;
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    fs::path resolved = fs::canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  struct stat old_state {};
  const bool exists = ::stat(target.c_str(), &old_state) == 0;
  if (exists && S_ISDIR(old_state.st_mode)) RaiseWriteError(SCannotCreate, path, EISDIR);

  fs::path where(target);
  std::string folder = where.parent_path().string();
  std::string base = where.filename().string();
  int fd = -1;
  std::string temp;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = (folder.empty() ? std::string() : folder + "/") + "." + base + "." +
           std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt > 100)) RaiseWriteError(SCannotCreate, path, errno);
  }
  TemporaryFile file(fd, temp);
  if (exists) ::fchmod(fd, old_state.st_mode & 07777);
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) RaiseWriteError(SWriteError, path, n < 0 ? errno : EIO);
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) RaiseWriteError(SWriteError, path, errno);
  if (int error = file.Close()) RaiseWriteError(SWriteError, path, error);
  if (::rename(temp.c_str(), target.c_str()) != 0) RaiseWriteError(SWriteError, path, errno);
  file.Keep();
}

// ---------------------------------------------------------------- text

TTextStream::TTextStream(TStream* stream, bool owns) : stream_(stream) {
  if (owns) owned_.reset(stream);
}

TTextStream::TTextStream(const std::string& path, FileMode mode)
    : TTextStream(new TFileStream(path, mode), true) {}

TTextStream::~TTextStream() = default;

void TTextStream::Fill() {
  if (pos_ < buffer_.size()) return;
  buffer_.resize(4096);
  size_t n = stream_->Read(buffer_.data(), buffer_.size());
  buffer_.resize(n);
  pos_ = 0;
}

int TTextStream::GetChar() {
  if (putback_ != -2) {
    int c = putback_;
    putback_ = -2;
    return c;
  }
  Fill();
  if (pos_ >= buffer_.size()) return -1;
  return static_cast<unsigned char>(buffer_[pos_++]);
}

void TTextStream::PutBack(int c) {
  putback_ = c;
}

bool TTextStream::IsEof() {
  if (putback_ != -2) return putback_ == -1;
  Fill();
  return pos_ >= buffer_.size();
}

bool TTextStream::GetLine(std::string& line) {
  line.clear();
  int c = GetChar();
  if (c < 0) return false;
  while (c >= 0 && c != '\n' && c != '\r') {
    line += static_cast<char>(c);
    c = GetChar();
  }
  if (c == '\r') {
    int d = GetChar();
    if (d != '\n' && d >= 0) PutBack(d);
  }
  return true;
}

void TTextStream::Put(std::string_view text) {
  stream_->WriteString(text);
}

void TTextStream::PutLine(std::string_view text) {
  Put(text);
  PutEOL();
}

void TTextStream::PutEOL() {
  Put("\r\n");
}

void TTextStream::Flush() {
  if (auto* f = dynamic_cast<TFileStream*>(stream_)) f->Flush();
}

}  // namespace rulecore
