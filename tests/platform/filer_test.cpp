// rulecore: an embeddable expert-system shell.
// Published properties and component streaming: the registry (order,
// ancestors, lookup), the round trip of every property kind and of
// awkward strings, extra properties written only with data, persistent
// objects carried by name, and the errors of damaged, cut or foreign
// streams, which never crash or read past the end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"
#include "platform/filer.h"
#include "platform/properties.h"
#include "platform/streams.h"

namespace rulecore {
namespace {

enum TColor { clRed, clGreen, clBlue, clYellow };

const TEnumInfo& ColorInfo() {
  static const TEnumInfo info("TColor", {"clRed", "clGreen", "clBlue", "clYellow"});
  return info;
}

// A persistent object with published properties and an extra list.
class TSettings : public TPersistent {
  RC_DECLARE_CLASS(TSettings)

 public:
  int64_t depth = 0;
  std::string title;
  std::vector<std::string> notes;  // the extra property "Notes"

  void DefineProperties(TFiler& filer) override {
    filer.DefineStrings(
        "Notes", [this](const std::vector<std::string>& v) { notes = v; }, [this] { return notes; },
        !notes.empty());
  }
};
RC_DEFINE_CLASS(TSettings, TPersistent, [](TComponent*) -> TObject* { return new TSettings; })

// A component with one property of every kind and an extra list.
class TWidget : public TComponent {
  RC_DECLARE_CLASS(TWidget)

 public:
  explicit TWidget(TComponent* owner = nullptr) : TComponent(owner) {}

  bool visible = false;
  int64_t count = 0;
  double ratio = 0;
  std::string caption;
  int64_t color = clRed;
  int64_t palette = 0;  // a set of TColor
  std::vector<std::string> lines;
  TSettings settings;
  std::vector<std::string> history;  // the extra property "History"
  int64_t read_only = 7;
  bool loaded = false;

  void DefineProperties(TFiler& filer) override {
    filer.DefineStrings(
        "History", [this](const std::vector<std::string>& v) { history = v; },
        [this] { return history; }, !history.empty());
  }
  void Loaded() override {
    TComponent::Loaded();
    loaded = true;
  }
};
RC_DEFINE_CLASS(TWidget, TComponent,
                [](TComponent* owner) -> TObject* { return new TWidget(owner); })

// A widget with one more property, and "Count" registered again.
class TBigWidget : public TWidget {
  RC_DECLARE_CLASS(TBigWidget)

 public:
  using TWidget::TWidget;
  int64_t size = 0;
};
RC_DEFINE_CLASS(TBigWidget, TWidget, nullptr)

// Never registered with the class registry.
class TUnlisted : public TPersistent {
  RC_DECLARE_CLASS(TUnlisted)
};
RC_DEFINE_CLASS(TUnlisted, TPersistent, [](TComponent*) -> TObject* { return new TUnlisted; })

// Registered, but without a factory.
class TAbstractThing : public TPersistent {
  RC_DECLARE_CLASS(TAbstractThing)
};
RC_DEFINE_CLASS(TAbstractThing, TPersistent, nullptr)

void Publish() {
  static const bool done = [] {
    TPublished<TSettings>()
        .Integer(
            "Depth", [](TSettings& s) { return s.depth; },
            [](TSettings& s, int64_t v) { s.depth = v; })
        .String(
            "Title", [](TSettings& s) { return s.title; },
            [](TSettings& s, const std::string& v) { s.title = v; });
    TPublished<TWidget>()
        .Boolean(
            "Visible", [](TWidget& w) { return w.visible; },
            [](TWidget& w, bool v) { w.visible = v; })
        .Integer(
            "Count", [](TWidget& w) { return w.count; }, [](TWidget& w, int64_t v) { w.count = v; })
        .Float(
            "Ratio", [](TWidget& w) { return w.ratio; }, [](TWidget& w, double v) { w.ratio = v; })
        .String(
            "Caption", [](TWidget& w) { return w.caption; },
            [](TWidget& w, const std::string& v) { w.caption = v; })
        .Enumeration(
            "Color", ColorInfo(), [](TWidget& w) { return w.color; },
            [](TWidget& w, int64_t v) { w.color = v; })
        .Set(
            "Palette", ColorInfo(), [](TWidget& w) { return w.palette; },
            [](TWidget& w, int64_t v) { w.palette = v; })
        .Strings(
            "Lines", [](TWidget& w) { return w.lines; },
            [](TWidget& w, const std::vector<std::string>& v) { w.lines = v; })
        .Object("Settings", [](TWidget& w) { return &w.settings; })
        .Integer(
            "ReadOnly", [](TWidget& w) { return w.read_only; }, nullptr);
    TPublished<TBigWidget>()
        .Integer(
            "Size", [](TBigWidget& w) { return w.size; },
            [](TBigWidget& w, int64_t v) { w.size = v; })
        .Integer(
            "count", [](TBigWidget& w) { return w.count; },
            [](TBigWidget& w, int64_t v) { w.count = v * 2; }, -1000, 1000);
    RegisterClass(TSettings::StaticClass());
    RegisterClass(TWidget::StaticClass());
    RegisterClass(TAbstractThing::StaticClass());
    return true;
  }();
  (void)done;
}

class FilerTest : public ::testing::Test {
 protected:
  void SetUp() override { Publish(); }

  // A widget with every property away from its default.
  static void Fill(TWidget& w) {
    w.SetName("Widget1");
    w.visible = true;
    w.count = -123456;
    w.ratio = 0.1;
    w.caption = "a \"quoted\"\r\nline";
    w.color = clBlue;
    w.palette = (1 << clRed) | (1 << clYellow);
    w.lines = {"one", "", "three \xC3\xA9"};
    w.settings.depth = INT32_MAX;
    w.settings.title = "inner";
    w.settings.notes = {"n1", "n2"};
    w.history = {"h"};
  }

  // Writes `object` with its class name, then expects reading it back to
  // raise a read error saying `message`.
  static void ExpectReadPersistentError(TPersistent& object, const char* message) {
    TMemoryStream stream;
    {
      TWriter writer(stream);
      WritePersistent(writer, object);
    }
    stream.SetPosition(0);
    TReader reader(stream);
    try {
      ReadPersistent(reader);
      FAIL() << "no error";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }

  static std::string Written(TComponent& c) {
    TMemoryStream stream;
    WriteComponent(stream, c);
    return stream.Data();
  }

  // The message of the EReadError that reading `data` into `into` raises;
  // fails the test when it raises nothing or something else.
  static std::string ReadError(const std::string& data, TComponent& into) {
    TMemoryStream stream(data);
    try {
      ReadComponent(stream, into);
    } catch (const EReadError& e) {
      return e.what();
    }
    ADD_FAILURE() << "no EReadError";
    return "";
  }
};

// ---------------------------------------------------------------- the registry

TEST_F(FilerTest, PropertyListHasAncestorsFirstAndRedefinitionsInPlace) {
  std::vector<std::string> names;
  for (const TPropInfo& p : GetPropList(TBigWidget::StaticClass()))
    names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Visible", "count", "Ratio", "Caption", "Color",
                                             "Palette", "Lines", "Settings", "ReadOnly", "Size"}));
}

TEST_F(FilerTest, FindPropertyIgnoresCaseAndLooksInAncestors) {
  TPropInfo prop;
  ASSERT_TRUE(FindProperty(TBigWidget::StaticClass(), "CAPTION", &prop));
  EXPECT_EQ(prop.name, "Caption");
  EXPECT_EQ(prop.kind, TPropertyKind::kString);
  ASSERT_TRUE(FindProperty(TBigWidget::StaticClass(), "Count", &prop));
  EXPECT_EQ(prop.max_value, 1000);  // the derived class's own registration
  ASSERT_TRUE(FindProperty(TWidget::StaticClass(), "Count", &prop));
  EXPECT_EQ(prop.max_value, INT32_MAX);
  EXPECT_FALSE(FindProperty(TWidget::StaticClass(), "Size", &prop));
  EXPECT_FALSE(FindProperty(TComponent::StaticClass(), "Visible", nullptr));
}

TEST_F(FilerTest, GetterAndSetterReachTheObjectByName) {
  TWidget w;
  TPropInfo prop;
  ASSERT_TRUE(FindProperty(w.ClassType(), "Color", &prop));
  prop.set(w, TPropertyValue(int64_t{clGreen}));
  EXPECT_EQ(w.color, clGreen);
  EXPECT_EQ(std::get<int64_t>(prop.get(w)), clGreen);
}

// ---------------------------------------------------------------- round trips

TEST_F(FilerTest, EveryPropertyKindRoundTrips) {
  TWidget source;
  Fill(source);
  TMemoryStream stream(Written(source));
  TWidget copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(copy.Name(), "Widget1");
  EXPECT_TRUE(copy.visible);
  EXPECT_EQ(copy.count, -123456);
  EXPECT_EQ(copy.ratio, 0.1);
  EXPECT_EQ(copy.caption, source.caption);
  EXPECT_EQ(copy.color, clBlue);
  EXPECT_EQ(copy.palette, source.palette);
  EXPECT_EQ(copy.lines, source.lines);
  EXPECT_EQ(copy.settings.depth, INT32_MAX);
  EXPECT_EQ(copy.settings.title, "inner");
  EXPECT_EQ(copy.settings.notes, source.settings.notes);
  EXPECT_EQ(copy.history, source.history);
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(FilerTest, ReadingMarksTheComponentLoadingThenLoaded) {
  TWidget source;
  Fill(source);
  TMemoryStream stream(Written(source));
  TWidget copy;
  ReadComponent(stream, copy);
  EXPECT_TRUE(copy.loaded);
  EXPECT_FALSE(copy.ComponentState().Contains(csLoading));
}

TEST_F(FilerTest, AwkwardStringsRoundTripByteForByte) {
  std::string all_bytes;
  for (int c = 0; c < 256; ++c)
    all_bytes += static_cast<char>(c);
  const std::vector<std::string> awkward = {
      "",
      "\"",
      "'single' and \"double\" quotes",
      "line\r\nbreaks\nand\rreturns\n",
      std::string("nul\0inside", 10),
      "\xE2\x82\xAC \xC3\xA9 \xF0\x9F\x98\x80",  // UTF-8
      "\xFF\xFE\x80 not UTF-8",
      "\\n is not a line break",
      all_bytes,
      std::string(100000, 'x'),
  };
  for (const std::string& s : awkward) {
    TWidget source;
    source.caption = s;
    source.lines = awkward;
    source.history = {s};
    TMemoryStream stream(Written(source));
    TWidget copy;
    ReadComponent(stream, copy);
    EXPECT_EQ(copy.caption, s);
    EXPECT_EQ(copy.lines, awkward);
    EXPECT_EQ(copy.history, std::vector<std::string>{s});
  }
}

TEST_F(FilerTest, FloatsAndIntegersRoundTripExactly) {
  const double floats[] = {0.0,
                           -0.0,
                           1.0 / 3,
                           -1e308,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity()};
  for (double d : floats) {
    TWidget source;
    source.ratio = d;
    TMemoryStream stream(Written(source));
    TWidget copy;
    ReadComponent(stream, copy);
    EXPECT_EQ(std::memcmp(&copy.ratio, &d, sizeof d), 0) << d;
  }
  for (int64_t n : {int64_t{INT32_MIN}, int64_t{INT32_MAX}, int64_t{0}, int64_t{-1}}) {
    TWidget source;
    source.count = n;
    TMemoryStream stream(Written(source));
    TWidget copy;
    ReadComponent(stream, copy);
    EXPECT_EQ(copy.count, n);
  }
}

TEST_F(FilerTest, ExtraPropertiesAreWrittenOnlyWithData) {
  TWidget empty;
  TMemoryStream plain(Written(empty));
  const std::string text = ComponentStreamToText(plain);
  EXPECT_EQ(text.find("History"), std::string::npos);
  EXPECT_EQ(text.find("Notes"), std::string::npos);

  TWidget full;
  Fill(full);
  TMemoryStream rich(Written(full));
  const std::string rich_text = ComponentStreamToText(rich);
  EXPECT_NE(rich_text.find("History = (\n    \"h\")"), std::string::npos) << rich_text;
  EXPECT_NE(rich_text.find("Notes = ("), std::string::npos) << rich_text;
}

TEST_F(FilerTest, ReadOnlyPropertiesAreNotWritten) {
  TWidget w;
  TMemoryStream stream(Written(w));
  EXPECT_EQ(ComponentStreamToText(stream).find("ReadOnly"), std::string::npos);
}

TEST_F(FilerTest, StreamPrintsAsIndentedText) {
  TWidget w;
  Fill(w);
  w.lines = {"x"};
  w.caption = "a\"b\n";
  TMemoryStream stream(Written(w));
  EXPECT_EQ(ComponentStreamToText(stream),
            "object Widget1: TWidget\n"
            "  Visible = True\n"
            "  Count = -123456\n"
            "  Ratio = 0.10000000000000001\n"
            "  Caption = \"a\\\"b\\n\"\n"
            "  Color = clBlue\n"
            "  Palette = [clRed, clYellow]\n"
            "  Lines = (\n"
            "    \"x\")\n"
            "  Settings = object\n"
            "    Depth = 2147483647\n"
            "    Title = \"inner\"\n"
            "    Notes = (\n"
            "      \"n1\"\n"
            "      \"n2\")\n"
            "  end\n"
            "  History = (\n"
            "    \"h\")\n"
            "end\n");
}

TEST_F(FilerTest, DerivedComponentReadsItsBaseClassStream) {
  TWidget source;
  Fill(source);
  source.count = 12;
  TMemoryStream stream(Written(source));
  TBigWidget copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(copy.caption, source.caption);
  EXPECT_EQ(copy.count, 24);  // through the derived class's setter
}

// ---------------------------------------------------------------- persistent objects

TEST_F(FilerTest, PersistentObjectTravelsByClassName) {
  TSettings settings;
  settings.depth = 42;
  settings.title = "carried";
  settings.notes = {"a", "b\r\n"};
  TMemoryStream stream;
  {
    TWriter writer(stream);
    WritePersistent(writer, settings);
  }
  stream.SetPosition(0);
  TReader reader(stream);
  std::unique_ptr<TPersistent> object = ReadPersistent(reader);
  auto* copy = dynamic_cast<TSettings*>(object.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->depth, 42);
  EXPECT_EQ(copy->title, "carried");
  EXPECT_EQ(copy->notes, settings.notes);
}

TEST_F(FilerTest, ReadPersistentNamesAnUnknownClass) {
  TUnlisted unlisted;
  ExpectReadPersistentError(unlisted, "Class TUnlisted not found");
}

TEST_F(FilerTest, ReadPersistentRefusesAClassWithoutFactory) {
  TAbstractThing thing;
  ExpectReadPersistentError(thing, "Cannot create an instance of TAbstractThing");
}

// ---------------------------------------------------------------- damaged streams

TEST_F(FilerTest, EveryTruncationRaisesReadError) {
  TWidget source;
  Fill(source);
  const std::string data = Written(source);
  for (size_t n = 0; n < data.size(); ++n) {
    TWidget copy;
    TMemoryStream stream(data.substr(0, n));
    EXPECT_THROW(ReadComponent(stream, copy), EReadError) << "cut at " << n;
    EXPECT_FALSE(copy.ComponentState().Contains(csLoading));
    EXPECT_FALSE(copy.loaded);
    TMemoryStream print(data.substr(0, n));
    EXPECT_THROW(ComponentStreamToText(print), EReadError) << "cut at " << n;
  }
}

TEST_F(FilerTest, MissingSignatureIsRefused) {
  TWidget w;
  EXPECT_EQ(ReadError("", w),
            "Invalid component stream at byte 0: not a component stream (no signature)");
  EXPECT_EQ(ReadError("RCF2" + Written(w).substr(4), w),
            "Invalid component stream at byte 0: not a component stream (no signature)");
}

TEST_F(FilerTest, OversizedLengthIsRefusedBeforeReading) {
  TWidget w;
  std::string data = Written(w);
  // The class name's length becomes 4 GiB - 1.
  data.replace(4, 4, "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(ReadError(data, w),
            "Invalid component stream at byte 4: a string of 4294967295 bytes runs past the end "
            "of the stream");
}

TEST_F(FilerTest, UnknownTagIsRefused) {
  TWidget w;
  std::string data = Written(w);
  const size_t at = data.find("Visible") + 7;
  data[at] = '\x2A';
  EXPECT_EQ(ReadError(data, w),
            "Invalid component stream at byte " + std::to_string(at) + ": unknown value tag 42");
}

TEST_F(FilerTest, UnknownPropertyIsNamed) {
  TWidget w;
  std::string data = Written(w);
  data.replace(data.find("Caption"), 7, "Caution");
  EXPECT_EQ(ReadError(data, w), "Property Caution does not exist in TWidget");
}

TEST_F(FilerTest, ValueOfTheWrongKindIsRefused) {
  TWidget w;
  std::string data = Written(w);
  // "Visible" holds False; it is renamed "Caption", which wants a string.
  const size_t at = data.find("Visible") + 7;
  data.replace(at - 7, 7, "Caption");
  EXPECT_EQ(ReadError(data, w), "Invalid component stream at byte " + std::to_string(at) +
                                    ": expected a string, found boolean");
}

TEST_F(FilerTest, UnknownEnumerationMemberIsNamed) {
  TWidget w;
  w.color = clBlue;
  std::string data = Written(w);
  data.replace(data.find("clBlue"), 6, "clPink");
  const std::string message = ReadError(data, w);
  EXPECT_NE(message.find("Invalid value for property Color of TWidget"), std::string::npos);
  EXPECT_NE(message.find("clPink is not a member of TColor"), std::string::npos) << message;
}

TEST_F(FilerTest, IntegerOutOfRangeIsRefused) {
  TWidget w;
  w.count = 5000;
  TMemoryStream stream(Written(w));
  TBigWidget big;  // its Count is limited to -1000..1000
  try {
    ReadComponent(stream, big);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("5000 is out of range -1000..1000"), std::string::npos)
        << e.what();
  }
}

TEST_F(FilerTest, ForeignComponentClassIsRefused) {
  TWidget w;
  TOuterComponent outer;
  EXPECT_EQ(ReadError(Written(w), outer),
            "Invalid component stream at byte 4: the stream holds a TWidget, which cannot be "
            "read into a TOuterComponent");
}

TEST_F(FilerTest, DeepNestingIsRefusedNotFollowed) {
  // "Settings = object" nested far deeper than any class goes.
  std::string data = "RCF1";
  auto str = [&data](const std::string& s) {
    const auto n = static_cast<uint32_t>(s.size());
    data += std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                        static_cast<char>(n >> 24)};
    data += s;
  };
  str("TWidget");
  str("");
  for (int i = 0; i < 100000; ++i) {
    str("X");
    data += '\x09';
  }
  TMemoryStream stream(data);
  try {
    ComponentStreamToText(stream);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("nested too deeply"), std::string::npos) << e.what();
  }
  // Lists nested as deeply.
  std::string lists = data.substr(0, 4 + 4 + 7 + 4);
  data = lists;
  str("X");
  data += std::string(100000, '\x08');
  TMemoryStream list_stream(data);
  EXPECT_THROW(ComponentStreamToText(list_stream), EReadError);
}

TEST_F(FilerTest, RandomDamageRaisesReadErrorOrReadsCleanly) {
  TWidget source;
  Fill(source);
  const std::string data = Written(source);
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = data;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i)
      damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
    TWidget copy;
    TMemoryStream stream(damaged);
    try {
      ReadComponent(stream, copy);
    } catch (const EReadError&) {
    }
    TMemoryStream print(damaged);
    try {
      ComponentStreamToText(print);
    } catch (const EReadError&) {
    }
  }
}

}  // namespace
}  // namespace rulecore
