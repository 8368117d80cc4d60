// rulecore: an embeddable expert-system shell.
#include "platform/filer.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace rulecore {

namespace {

constexpr char kSignature[4] = {'R', 'C', 'F', '1'};

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

const char* TagName(TValueType tag) {
  switch (tag) {
    case vaNull:
      return "end of list";
    case vaFalse:
    case vaTrue:
      return "boolean";
    case vaInteger:
      return "integer";
    case vaFloat:
      return "float";
    case vaString:
      return "string";
    case vaIdent:
      return "identifier";
    case vaSet:
      return "set";
    case vaList:
      return "list";
    case vaObject:
      return "object";
  }
  return "unknown";
}

}  // namespace

// ================================================================ TFiler

void TFiler::DefineStrings(const std::string& name,
                           const std::function<void(const std::vector<std::string>&)>& read,
                           const std::function<std::vector<std::string>()>& write, bool has_data) {
  DefineProperty(
      name, [&read](TReader& r) { read(r.ReadStrings()); },
      [&write](TWriter& w) { w.WriteStrings(write()); }, has_data);
}

// ================================================================ TWriter

void TWriter::WriteRaw(const void* data, size_t count) {
  stream_.Write(data, count);
}

void TWriter::WriteTag(TValueType tag) {
  const uint8_t byte = tag;
  WriteRaw(&byte, 1);
}

void TWriter::WriteStr(std::string_view s) {
  if (s.size() > UINT32_MAX) throw EFilerError("String too long for a component stream");
  const uint32_t n = static_cast<uint32_t>(s.size());
  const uint8_t length[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                             static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
  WriteRaw(length, 4);
  WriteRaw(s.data(), s.size());
}

void TWriter::WriteSignature() {
  WriteRaw(kSignature, sizeof kSignature);
}

void TWriter::WriteComponent(TComponent& component) {
  WriteStr(component.ClassName());
  WriteStr(component.Name());
  WriteProperties(component);
}

void TWriter::WriteProperties(TPersistent& instance) {
  if (depth_ >= kMaxNesting)
    throw EFilerError("Objects nested too deeply to stream (" + instance.ClassName() + ")");
  ++depth_;
  try {
    for (const TPropInfo& prop : GetPropList(instance.ClassType()))
      WriteProperty(instance, prop);
    instance.DefineProperties(*this);
  } catch (...) {
    --depth_;
    throw;
  }
  --depth_;
  WriteStr("");
}

void TWriter::WriteProperty(TPersistent& instance, const TPropInfo& prop) {
  if (prop.kind == TPropertyKind::kPersistent) {
    TPersistent* object = std::get<TPersistent*>(prop.get(instance));
    if (!object) return;
    WriteStr(prop.name);
    WriteTag(vaObject);
    WriteProperties(*object);
    return;
  }
  if (!prop.set) return;  // read-only: it could not be read back
  TPropertyValue value = prop.get(instance);
  WriteStr(prop.name);
  switch (prop.kind) {
    case TPropertyKind::kBoolean:
      WriteBoolean(std::get<bool>(value));
      break;
    case TPropertyKind::kInteger:
      WriteInteger(std::get<int64_t>(value));
      break;
    case TPropertyKind::kFloat:
      WriteFloat(std::get<double>(value));
      break;
    case TPropertyKind::kString:
      WriteString(std::get<std::string>(value));
      break;
    case TPropertyKind::kEnumeration: {
      const int64_t ordinal = std::get<int64_t>(value);
      if (ordinal < 0 || ordinal >= prop.enum_info->Count())
        throw EFilerError("Property " + prop.name + " of " + instance.ClassName() +
                          " holds no member of " + prop.enum_info->type_name);
      WriteIdent(prop.enum_info->names[static_cast<size_t>(ordinal)]);
      break;
    }
    case TPropertyKind::kSet: {
      const auto bits = static_cast<uint64_t>(std::get<int64_t>(value));
      WriteTag(vaSet);
      for (int i = 0; i < prop.enum_info->Count() && i < 64; ++i)
        if ((bits >> i) & 1u) WriteStr(prop.enum_info->names[static_cast<size_t>(i)]);
      WriteStr("");
      break;
    }
    case TPropertyKind::kStrings:
      WriteStrings(std::get<std::vector<std::string>>(value));
      break;
    case TPropertyKind::kPersistent:
      break;  // handled above
  }
}

void TWriter::WriteBoolean(bool value) {
  WriteTag(value ? vaTrue : vaFalse);
}

void TWriter::WriteInteger(int64_t value) {
  WriteTag(vaInteger);
  const auto v = static_cast<uint64_t>(value);
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<uint8_t>(v >> (8 * i));
  WriteRaw(bytes, 8);
}

void TWriter::WriteFloat(double value) {
  WriteTag(vaFloat);
  uint64_t v;
  static_assert(sizeof v == sizeof value);
  std::memcpy(&v, &value, sizeof v);
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<uint8_t>(v >> (8 * i));
  WriteRaw(bytes, 8);
}

void TWriter::WriteString(std::string_view value) {
  WriteTag(vaString);
  WriteStr(value);
}

void TWriter::WriteIdent(std::string_view name) {
  WriteTag(vaIdent);
  WriteStr(name);
}

void TWriter::WriteListBegin() {
  WriteTag(vaList);
}

void TWriter::WriteListEnd() {
  WriteTag(vaNull);
}

void TWriter::WriteStrings(const std::vector<std::string>& items) {
  WriteListBegin();
  for (const std::string& s : items)
    WriteString(s);
  WriteListEnd();
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& write,
                             bool has_data) {
  if (!has_data || !write) return;
  WriteStr(name);
  write(*this);
}

// ================================================================ TReader

void TReader::Error(const std::string& message, int64_t at) {
  throw EReadError("Invalid component stream at byte " + std::to_string(at) + ": " + message);
}

void TReader::ReadRaw(void* data, size_t count) {
  const int64_t at = stream_.Position();
  if (stream_.Read(data, count) != count) Error("the stream ends unexpectedly", at);
}

TValueType TReader::ReadTag() {
  uint8_t byte;
  ReadRaw(&byte, 1);
  if (byte > vaObject) Error("unknown value tag " + std::to_string(byte), stream_.Position() - 1);
  return static_cast<TValueType>(byte);
}

TValueType TReader::NextValue() {
  TValueType tag = ReadTag();
  stream_.Seek(-1, SeekOrigin::kCurrent);
  return tag;
}

void TReader::Expect(TValueType tag, const char* what) {
  const int64_t at = stream_.Position();
  TValueType found = ReadTag();
  if (found != tag) Error(std::string("expected ") + what + ", found " + TagName(found), at);
}

std::string TReader::ReadStr() {
  const int64_t at = stream_.Position();
  uint8_t bytes[4];
  ReadRaw(bytes, 4);
  const uint32_t n = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                     static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  // A length that runs past the end is refused before anything is allocated.
  if (static_cast<int64_t>(n) > stream_.Size() - stream_.Position())
    Error("a string of " + std::to_string(n) + " bytes runs past the end of the stream", at);
  std::string s(n, '\0');
  if (n > 0) ReadRaw(s.data(), n);
  return s;
}

void TReader::ReadSignature() {
  char signature[sizeof kSignature];
  const int64_t at = stream_.Position();
  if (stream_.Read(signature, sizeof signature) != sizeof signature ||
      std::memcmp(signature, kSignature, sizeof signature) != 0)
    Error("not a component stream (no signature)", at);
}

void TReader::ReadComponent(TComponent& component) {
  const int64_t at = stream_.Position();
  const std::string class_name = ReadStr();
  bool matches = false;
  for (const TClassInfo* c = &component.ClassType(); c && !matches; c = c->parent)
    matches = SameName(c->name, class_name);
  if (!matches)
    Error("the stream holds a " + class_name + ", which cannot be read into a " +
              component.ClassName(),
          at);
  const std::string name = ReadStr();
  component.SetLoading(true);
  try {
    if (!name.empty()) component.SetName(name);
    ReadProperties(component);
  } catch (...) {
    component.SetLoading(false);
    throw;
  }
  component.Loaded();
}

void TReader::ReadProperties(TPersistent& instance) {
  if (depth_ >= kMaxNesting) Error("objects nested too deeply", stream_.Position());
  ++depth_;
  try {
    for (;;) {
      const std::string name = ReadStr();
      if (name.empty()) break;
      ReadProperty(instance, name);
    }
  } catch (...) {
    --depth_;
    throw;
  }
  --depth_;
}

void TReader::ReadProperty(TPersistent& instance, const std::string& name) {
  TPropInfo prop;
  if (FindProperty(instance.ClassType(), name, &prop)) {
    ReadPublished(instance, prop);
    return;
  }
  const std::string* wanted = wanted_;
  const bool found = found_;
  wanted_ = &name;
  found_ = false;
  try {
    instance.DefineProperties(*this);
  } catch (...) {
    wanted_ = wanted;
    found_ = found;
    throw;
  }
  const bool read = found_;
  wanted_ = wanted;
  found_ = found;
  if (!read) throw EReadError("Property " + name + " does not exist in " + instance.ClassName());
}

void TReader::ReadPublished(TPersistent& instance, const TPropInfo& prop) {
  const int64_t at = stream_.Position();
  auto invalid = [&](const std::string& why) {
    throw EReadError("Invalid value for property " + prop.name + " of " + instance.ClassName() +
                     " at byte " + std::to_string(at) + ": " + why);
  };
  if (prop.kind == TPropertyKind::kPersistent) {
    Expect(vaObject, "an object");
    TPersistent* object = std::get<TPersistent*>(prop.get(instance));
    if (!object) invalid("it holds no object to read into");
    ReadProperties(*object);
    return;
  }
  if (!prop.set) invalid("the property is read-only");
  TPropertyValue value;
  switch (prop.kind) {
    case TPropertyKind::kBoolean:
      value = ReadBoolean();
      break;
    case TPropertyKind::kInteger: {
      const int64_t n = ReadInteger();
      if (n < prop.min_value || n > prop.max_value)
        invalid(std::to_string(n) + " is out of range " + std::to_string(prop.min_value) + ".." +
                std::to_string(prop.max_value));
      value = n;
      break;
    }
    case TPropertyKind::kFloat:
      value = ReadFloat();
      break;
    case TPropertyKind::kString:
      value = ReadString();
      break;
    case TPropertyKind::kEnumeration: {
      const std::string member = ReadIdent();
      const int ordinal = prop.enum_info->IndexOf(member);
      if (ordinal < 0) invalid(member + " is not a member of " + prop.enum_info->type_name);
      value = static_cast<int64_t>(ordinal);
      break;
    }
    case TPropertyKind::kSet: {
      Expect(vaSet, "a set");
      uint64_t bits = 0;
      for (;;) {
        const std::string member = ReadStr();
        if (member.empty()) break;
        const int ordinal = prop.enum_info->IndexOf(member);
        if (ordinal < 0 || ordinal >= 64)
          invalid(member + " is not a member of " + prop.enum_info->type_name);
        bits |= uint64_t{1} << ordinal;
      }
      value = static_cast<int64_t>(bits);
      break;
    }
    case TPropertyKind::kStrings:
      value = ReadStrings();
      break;
    case TPropertyKind::kPersistent:
      break;  // handled above
  }
  prop.set(instance, value);
}

bool TReader::ReadBoolean() {
  const int64_t at = stream_.Position();
  TValueType tag = ReadTag();
  if (tag != vaTrue && tag != vaFalse)
    Error(std::string("expected a boolean, found ") + TagName(tag), at);
  return tag == vaTrue;
}

uint64_t TReader::ReadLittleEndian64() {
  uint8_t bytes[8];
  ReadRaw(bytes, 8);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i)
    v = v << 8 | bytes[i];
  return v;
}

int64_t TReader::ReadInteger() {
  Expect(vaInteger, "an integer");
  return static_cast<int64_t>(ReadLittleEndian64());
}

double TReader::ReadFloat() {
  if (NextValue() == vaInteger) return static_cast<double>(ReadInteger());
  Expect(vaFloat, "a float");
  const uint64_t v = ReadLittleEndian64();
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

std::string TReader::ReadString() {
  Expect(vaString, "a string");
  return ReadStr();
}

std::string TReader::ReadIdent() {
  Expect(vaIdent, "an identifier");
  return ReadStr();
}

void TReader::ReadListBegin() {
  Expect(vaList, "a list");
}

bool TReader::EndOfList() {
  return NextValue() == vaNull;
}

void TReader::ReadListEnd() {
  Expect(vaNull, "the end of a list");
}

std::vector<std::string> TReader::ReadStrings() {
  std::vector<std::string> items;
  ReadListBegin();
  while (!EndOfList())
    items.push_back(ReadString());
  ReadListEnd();
  return items;
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc&,
                             bool) {
  if (!wanted_ || found_ || !read || !SameName(name, *wanted_)) return;
  found_ = true;
  read(*this);
}

// ================================================================ whole streams

void WriteComponent(TStream& stream, TComponent& component) {
  TWriter writer(stream);
  writer.WriteSignature();
  writer.WriteComponent(component);
}

void ReadComponent(TStream& stream, TComponent& component) {
  TReader reader(stream);
  reader.ReadSignature();
  reader.ReadComponent(component);
}

namespace {

std::string Quoted(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// Reads through a stream by its tags alone, printing what it finds.
class TStreamPrinter : public TReader {
 public:
  using TReader::TReader;

  std::string Print() {
    ReadSignature();
    const std::string class_name = ReadStr();
    const std::string name = ReadStr();
    out_ = "object " + (name.empty() ? std::string() : name + ": ") + class_name + "\n";
    Properties(1);
    out_ += "end\n";
    return out_;
  }

 private:
  void Properties(int indent) {
    if (indent > kMaxNesting) Error("objects nested too deeply", Stream().Position());
    for (;;) {
      const std::string name = ReadStr();
      if (name.empty()) return;
      out_ += std::string(static_cast<size_t>(indent) * 2, ' ') + name + " = ";
      Value(indent);
      out_ += "\n";
    }
  }

  void Value(int indent) {
    const std::string pad(static_cast<size_t>(indent) * 2, ' ');
    switch (NextValue()) {
      case vaFalse:
      case vaTrue:
        out_ += ReadBoolean() ? "True" : "False";
        return;
      case vaInteger:
        out_ += std::to_string(ReadInteger());
        return;
      case vaFloat: {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", ReadFloat());
        out_ += text;
        return;
      }
      case vaString:
        out_ += Quoted(ReadString());
        return;
      case vaIdent:
        out_ += ReadIdent();
        return;
      case vaSet: {
        ReadTag();
        out_ += "[";
        bool first = true;
        for (std::string member = ReadStr(); !member.empty(); member = ReadStr()) {
          out_ += (first ? "" : ", ") + member;
          first = false;
        }
        out_ += "]";
        return;
      }
      case vaList:
        if (indent > kMaxNesting) Error("lists nested too deeply", Stream().Position());
        ReadListBegin();
        out_ += "(";
        while (!EndOfList()) {
          out_ += "\n" + pad + "  ";
          Value(indent + 1);
        }
        ReadListEnd();
        out_ += ")";
        return;
      case vaObject:
        ReadTag();
        out_ += "object\n";
        Properties(indent + 1);
        out_ += pad + "end";
        return;
      case vaNull:
        Error("unexpected end of list", Stream().Position());
    }
  }

  std::string out_;
};

}  // namespace

std::string ComponentStreamToText(TStream& stream) {
  TStreamPrinter printer(stream);
  return printer.Print();
}

// ================================================================ persistent objects

RC_DEFINE_CLASS(TOuterComponent, TComponent, nullptr)

namespace {
[[maybe_unused]] const bool kOuterComponentPublished = [] {
  TPublished<TOuterComponent>().Object("Persistent",
                                       [](TOuterComponent& c) { return c.Persistent(); });
  return true;
}();
}  // namespace

void WritePersistent(TWriter& writer, TPersistent& object) {
  writer.WriteString(object.ClassName());
  TOuterComponent outer(&object);
  writer.WriteComponent(outer);
}

std::unique_ptr<TPersistent> ReadPersistent(TReader& reader) {
  const std::string class_name = reader.ReadString();
  const TClassInfo* cls = FindClass(class_name);
  if (!cls) throw EReadError("Class " + class_name + " not found");
  if (!cls->create) throw EReadError("Cannot create an instance of " + class_name);
  std::unique_ptr<TObject> instance(CreateInstance(*cls));
  auto* object = dynamic_cast<TPersistent*>(instance.get());
  if (!object) throw EReadError("Class " + class_name + " is not a persistent class");
  std::unique_ptr<TPersistent> result(object);
  instance.release();
  TOuterComponent outer(object);
  reader.ReadComponent(outer);
  return result;
}

}  // namespace rulecore
