// rulecore: an embeddable expert-system shell.
// Component streaming: TWriter writes a component's published properties
// (platform/properties.h) and the extra properties its class defines in
// DefineProperties to a stream; TReader reads them back into a component.
// The format is binary and length-prefixed, so any byte string travels
// unchanged; every length and tag is checked while reading, and a damaged or
// cut stream raises EReadError naming the byte where it went wrong (a read
// never goes past the end of the stream, and nesting is bounded).
//
// Format (integers little-endian):
//   stream     := "RCF1" component                  (the signature)
//   component  := str(class name) str(component name) properties
//   properties := { str(property name) value } str("")
//   value      := 0x01                               false
//               | 0x02                               true
//               | 0x03 int64                         integer
//               | 0x04 float64                       IEEE 754 double
//               | 0x05 str                           string
//               | 0x06 str                           enumeration member by name
//               | 0x07 { str(member name) } str("")  set by member names
//               | 0x08 { value } 0x00                list
//               | 0x09 properties                    a persistent object's properties
//   str        := uint32 length, then that many bytes
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"
#include "platform/properties.h"
#include "platform/streams.h"

namespace rulecore {

class RULECORE_API EFilerError : public Exception {
 public:
  using Exception::Exception;
};

// A stream that does not hold what the reader expects: cut short, damaged,
// naming an unknown property or class, or a value of the wrong kind.
class RULECORE_API EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

// The tag before each value in a component stream.
enum TValueType : uint8_t {
  vaNull = 0,  // the end of a list
  vaFalse = 1,
  vaTrue = 2,
  vaInteger = 3,
  vaFloat = 4,
  vaString = 5,
  vaIdent = 6,
  vaSet = 7,
  vaList = 8,
  vaObject = 9,
};

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;

// What TReader and TWriter share: the stream, and the hook through which a
// class names its extra properties (TPersistent::DefineProperties).
class RULECORE_API TFiler : public TObject {
 public:
  // REQUIRES: `stream` outlives the filer.
  explicit TFiler(TStream& stream) : stream_(stream) {}

  TStream& Stream() const { return stream_; }

  // Defines an extra property: a writer calls `write` when `has_data` is
  // true (the procedure writes exactly one value); a reader calls `read`
  // when the stream holds a property of that name (ignoring letter case).
  virtual void DefineProperty(const std::string& name, const TReaderProc& read,
                              const TWriterProc& write, bool has_data) = 0;
  // An extra property holding a list of strings.
  void DefineStrings(const std::string& name,
                     const std::function<void(const std::vector<std::string>&)>& read,
                     const std::function<std::vector<std::string>()>& write, bool has_data);

  // How deeply objects may nest inside one another in a stream.
  static constexpr int kMaxNesting = 32;

 protected:
  TStream& stream_;
};

class RULECORE_API TWriter : public TFiler {
 public:
  using TFiler::TFiler;

  void WriteSignature();
  // The class name, the component name and the properties.
  void WriteComponent(TComponent& component);
  // Every published property that can be read back (a writable one, or an
  // object property holding an object), then the extra properties, then the
  // end marker.
  void WriteProperties(TPersistent& instance);

  void WriteBoolean(bool value);
  void WriteInteger(int64_t value);
  void WriteFloat(double value);
  void WriteString(std::string_view value);
  void WriteIdent(std::string_view name);
  void WriteListBegin();
  void WriteListEnd();
  // A list of strings.
  void WriteStrings(const std::vector<std::string>& items);

  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool has_data) override;

 private:
  void WriteProperty(TPersistent& instance, const TPropInfo& prop);
  void WriteTag(TValueType tag);
  void WriteStr(std::string_view s);
  void WriteRaw(const void* data, size_t count);

  int depth_ = 0;
};

class RULECORE_API TReader : public TFiler {
 public:
  using TFiler::TFiler;

  // Raises EReadError when the stream does not start with the signature.
  void ReadSignature();
  // Reads a component written by WriteComponent into `component`, whose
  // class must be the written one or derive from it. The component is
  // loading meanwhile (csLoading) and is told Loaded at the end; when
  // reading fails the loading state is dropped and the error passes on,
  // leaving what was read so far in place.
  void ReadComponent(TComponent& component);
  // Reads properties into `instance` up to the end marker.
  void ReadProperties(TPersistent& instance);

  // The tag of the next value, without reading it.
  TValueType NextValue();
  bool ReadBoolean();
  int64_t ReadInteger();
  double ReadFloat();  // an integer value is read as a float too
  std::string ReadString();
  std::string ReadIdent();
  void ReadListBegin();
  // True when the next value is the end of the list.
  bool EndOfList();
  void ReadListEnd();
  std::vector<std::string> ReadStrings();

  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool has_data) override;

 protected:
  TValueType ReadTag();
  // A length-prefixed string of the format (not a tagged value).
  std::string ReadStr();
  // Raises EReadError for the byte at offset `at`.
  [[noreturn]] void Error(const std::string& message, int64_t at);

 private:
  void ReadProperty(TPersistent& instance, const std::string& name);
  void ReadPublished(TPersistent& instance, const TPropInfo& prop);
  void Expect(TValueType tag, const char* what);
  void ReadRaw(void* data, size_t count);
  // Eight bytes, least significant first.
  uint64_t ReadLittleEndian64();

  int depth_ = 0;
  // The extra property being looked for while DefineProperties runs.
  const std::string* wanted_ = nullptr;
  bool found_ = false;
};

// Writes the signature and `component` to `stream`.
RULECORE_API void WriteComponent(TStream& stream, TComponent& component);
// Reads what WriteComponent wrote into `component` (see TReader::ReadComponent).
RULECORE_API void ReadComponent(TStream& stream, TComponent& component);
// The stream's content as indented text ("object Name: TClass", one
// "Property = value" line each, "end"), for diagnostics and tests; strings
// are quoted with C escapes. Raises EReadError as the reader does.
RULECORE_API std::string ComponentStreamToText(TStream& stream);

// A component with one published property, "Persistent", that holds a
// persistent object (not owned); it carries an object through component
// streaming.
class RULECORE_API TOuterComponent : public TComponent {
  RC_DECLARE_CLASS(TOuterComponent)

 public:
  explicit TOuterComponent(TPersistent* persistent = nullptr) : persistent_(persistent) {}

  TPersistent* Persistent() const { return persistent_; }
  void SetPersistent(TPersistent* persistent) { persistent_ = persistent; }

 private:
  TPersistent* persistent_;
};

// Writes the object's class name as a string, then an outer component
// holding the object.
RULECORE_API void WritePersistent(TWriter& writer, TPersistent& object);
// Reads what WritePersistent wrote: creates an instance of the class
// registered under the written name (RegisterClass) and reads the object's
// properties into it. The caller owns the result. An unregistered or
// abstract class, or one that is not persistent, raises EReadError naming it.
RULECORE_API std::unique_ptr<TPersistent> ReadPersistent(TReader& reader);

}  // namespace rulecore
