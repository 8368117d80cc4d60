// rulecore: an embeddable expert-system shell.
// Byte streams (memory and file) and TTextStream, a buffered text reader and
// writer over a stream with one character of put-back and line reading.
// Failures raise EStreamError naming the file or the operation.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/object.h"

namespace rulecore {

enum class SeekOrigin { kBeginning, kCurrent, kEnd };

class RULECORE_API TStream : public TObject {
 public:
  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all `count` bytes or raises EStreamError.
  virtual void Write(const void* buffer, size_t count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  int64_t Position() { return Seek(0, SeekOrigin::kCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::kBeginning); }

  void WriteString(std::string_view s) { Write(s.data(), s.size()); }
  // The rest of the stream from the current position, as text.
  std::string ReadAll();
};

class RULECORE_API TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : data_(std::move(data)) {}

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::string& Data() const { return data_; }
  void Clear();
  // Cuts the data to `size` bytes (keeping the position inside it).
  void SetSize(size_t size);

 private:
  std::string data_;
  size_t pos_ = 0;
};

// Access modes of a file stream.
enum class FileMode {
  kRead,       // existing file, reading only
  kWrite,      // created or truncated, writing only
  kAppend,     // created if missing, writing at the end
  kReadWrite,  // existing file, reading and writing
};

class RULECORE_API TFileStream : public TStream {
 public:
  // Opens `path`; raises EStreamError naming the file when it cannot.
  TFileStream(const std::string& path, FileMode mode);
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  // Writes buffered data to the file; raises EStreamError when it fails.
  void Flush();
  const std::string& Path() const { return path_; }

 private:
  // C streams need a seek between a read and a following write (and back).
  enum class LastOp { kNone, kRead, kWrite };
  void Switch(LastOp next);

  std::string path_;
  std::FILE* file_ = nullptr;
  LastOp last_ = LastOp::kNone;
};

// Makes `text` the whole content of the file at `path` without ever leaving
// it half written: the text goes to a new file in the same folder, which is
// flushed to the disk and then renamed over `path`. A file that already
// exists keeps its permissions (a link is followed to the file it names).
// On any failure the temporary file is removed, an existing file is left as
// it was, and EStreamError names `path` and the reason.
RULECORE_API void ReplaceFileContents(const std::string& path, std::string_view text);

// Buffered text over a stream, used either for reading or for writing (the
// read buffer runs ahead of the stream position). The stream is owned when
// `owns` is true.
class RULECORE_API TTextStream : public TObject {
 public:
  TTextStream(TStream* stream, bool owns);
  // Opens a file with the given mode and owns the file stream.
  TTextStream(const std::string& path, FileMode mode);
  ~TTextStream() override;

  // The next character, or -1 at the end of the stream.
  int GetChar();
  // Makes `c` the next character GetChar returns. Only one character can be
  // put back at a time; a second put-back replaces the first.
  void PutBack(int c);
  // Reads up to the next line break ("\n", "\r\n" or "\r"), without it.
  // Returns false at the end of the stream with nothing read.
  bool GetLine(std::string& line);
  bool IsEof();

  void Put(std::string_view text);
  void PutLine(std::string_view text);
  void PutEOL();
  void Flush();

  TStream* Stream() const { return stream_; }

 private:
  void Fill();

  TStream* stream_;
  std::unique_ptr<TStream> owned_;
  std::string buffer_;
  size_t pos_ = 0;
  int putback_ = -2;  // -2: none
};

}  // namespace rulecore
