// rulecore: an embeddable expert-system shell.
// Tests of the byte streams (memory and file) and of TTextStream reading and writing text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/streams.h"

namespace rulecore {
namespace {

// A private folder for the file tests, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "rulecore-streams-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

std::vector<std::string> AllLines(TTextStream& text) {
  std::vector<std::string> lines;
  std::string line;
  while (text.GetLine(line))
    lines.push_back(line);
  return lines;
}

// ---------------------------------------------------------------- memory streams

TEST(TMemoryStreamTest, ReadsBackWhatWasWritten) {
  TMemoryStream s;
  s.WriteString("hello, ");
  s.WriteString("world");
  EXPECT_EQ(s.Size(), 12);
  EXPECT_EQ(s.Position(), 12);
  s.SetPosition(0);
  char buf[5];
  ASSERT_EQ(s.Read(buf, sizeof buf), 5u);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(s.ReadAll(), ", world");
  EXPECT_EQ(s.Read(buf, sizeof buf), 0u);
}

TEST(TMemoryStreamTest, WriteOverwritesInPlaceAndExtendsAtTheEnd) {
  TMemoryStream s(std::string("abcdef"));
  s.Seek(4, SeekOrigin::kBeginning);
  s.WriteString("XYZ");
  EXPECT_EQ(s.Data(), "abcdXYZ");
  s.Seek(-6, SeekOrigin::kEnd);
  s.WriteString("12");
  EXPECT_EQ(s.Data(), "a12dXYZ");
  EXPECT_EQ(s.Position(), 3);

  // Writing past the end fills the gap with zeros.
  EXPECT_EQ(s.Seek(2, SeekOrigin::kEnd), 9);
  char buf[4];
  EXPECT_EQ(s.Read(buf, sizeof buf), 0u);
  s.WriteString("z");
  EXPECT_EQ(s.Data(), std::string("a12dXYZ\0\0z", 10));
}

TEST(TMemoryStreamTest, SeekIsRelativeToTheChosenOriginAndNeverBeforeTheStart) {
  TMemoryStream s(std::string("0123456789"));
  EXPECT_EQ(s.Seek(3, SeekOrigin::kBeginning), 3);
  EXPECT_EQ(s.Seek(2, SeekOrigin::kCurrent), 5);
  EXPECT_EQ(s.Seek(-1, SeekOrigin::kCurrent), 4);
  EXPECT_EQ(s.Seek(-2, SeekOrigin::kEnd), 8);
  EXPECT_EQ(s.ReadAll(), "89");

  // Seeking before the start raises and leaves the position alone.
  EXPECT_THROW(s.Seek(-11, SeekOrigin::kCurrent), EStreamError);
  EXPECT_EQ(s.Position(), 10);
}

TEST(TMemoryStreamTest, SetSizeCutsTheDataAndPullsThePositionInside) {
  TMemoryStream s(std::string("abcdef"));
  s.Seek(0, SeekOrigin::kEnd);
  s.SetSize(2);
  EXPECT_EQ(s.Data(), "ab");
  EXPECT_EQ(s.Position(), 2);
  s.WriteString("c");
  EXPECT_EQ(s.Data(), "abc");
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

// ---------------------------------------------------------------- file streams

TEST(TFileStreamTest, WriteModeCreatesOrTruncatesTheFile) {
  TempDir dir;
  std::string path = dir.File("out.txt");
  WriteFile(path, "old contents that are long");
  {
    TFileStream f(path, FileMode::kWrite);
    f.WriteString("new");
    EXPECT_EQ(f.Path(), path);
  }
  EXPECT_EQ(ReadFile(path), "new");

  // Flush makes written data visible before the stream is closed.
  TFileStream f(path, FileMode::kWrite);
  f.WriteString("pending");
  f.Flush();
  EXPECT_EQ(ReadFile(path), "pending");
  EXPECT_EQ(f.Size(), 7);
}

TEST(TFileStreamTest, ReadModeReadsTheWholeFileAndReportsItsSize) {
  TempDir dir;
  std::string path = dir.File("in.bin");
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i * 7);
  WriteFile(path, data);
  TFileStream f(path, FileMode::kRead);
  EXPECT_EQ(f.Size(), 10000);
  EXPECT_EQ(f.Position(), 0);
  EXPECT_EQ(f.ReadAll(), data);
  f.Seek(-3, SeekOrigin::kEnd);
  EXPECT_EQ(f.ReadAll(), data.substr(9997));
}

TEST(TFileStreamTest, AppendModeWritesAtTheEnd) {
  TempDir dir;
  std::string path = dir.File("log.txt");
  {
    TFileStream f(path, FileMode::kAppend);  // created when missing
    f.WriteString("one\n");
  }
  {
    TFileStream f(path, FileMode::kAppend);
    f.WriteString("two\n");
  }
  EXPECT_EQ(ReadFile(path), "one\ntwo\n");
}

TEST(TFileStreamTest, ReadWriteModeOverwritesInPlace) {
  TempDir dir;
  std::string path = dir.File("rw.txt");
  WriteFile(path, "abcdef");
  {
    TFileStream f(path, FileMode::kReadWrite);
    char buf[2];
    ASSERT_EQ(f.Read(buf, 2), 2u);
    f.Seek(0, SeekOrigin::kCurrent);
    f.WriteString("XY");
    f.Seek(0, SeekOrigin::kBeginning);
    EXPECT_EQ(f.ReadAll(), "abXYef");
  }
  EXPECT_EQ(ReadFile(path), "abXYef");
}

TEST(TFileStreamTest, FailuresToOpenOrWriteRaiseStreamErrorNamingTheFile) {
  TempDir dir;
  for (FileMode mode : {FileMode::kRead, FileMode::kReadWrite}) {
    std::string path = dir.File("absent.clp");
    try {
      TFileStream f(path, mode);
      ADD_FAILURE() << "opened a missing file";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
  }

  // Writing to a stream opened for reading raises too.
  std::string path = dir.File("ro.txt");
  WriteFile(path, "x");
  TFileStream f(path, FileMode::kRead);
  EXPECT_THROW(f.WriteString("more"), EStreamError);
}

TEST(TFileStreamTest, AFolderDoesNotOpenAsAnEmptyFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  try {
    TFileStream f(dir.File("sub"), FileMode::kRead);
    ADD_FAILURE() << "opened a folder";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("sub")), std::string::npos) << e.what();
  }
}

// ---------------------------------------------------------------- replacing files

TEST(ReplaceFileContentsTest, CreatesOrReplacesTheFileAndLeavesNothingElse) {
  TempDir dir;
  std::string path = dir.File("kb.clp");
  ReplaceFileContents(path, "first, and longer");
  EXPECT_EQ(ReadFile(path), "first, and longer");
  ReplaceFileContents(path, "second");
  EXPECT_EQ(ReadFile(path), "second");
  ReplaceFileContents(path, "");
  EXPECT_EQ(ReadFile(path), "");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.File("")))
    ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ReplaceFileContentsTest, ALinkStaysALinkAndItsTargetGetsTheText) {
  TempDir dir;
  WriteFile(dir.File("target.txt"), "old");
  std::filesystem::create_symlink(dir.File("target.txt"), dir.File("link.txt"));
  ReplaceFileContents(dir.File("link.txt"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
  EXPECT_EQ(ReadFile(dir.File("target.txt")), "new");
}

TEST(ReplaceFileContentsTest, AFolderInTheWayOrAMissingFolderRaisesNamingThePath) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("sub"));
  for (const std::string& path : {dir.File("sub"), dir.File("none/kb.clp")}) {
    try {
      ReplaceFileContents(path, "text");
      ADD_FAILURE() << "wrote " << path;
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("sub")));
}

// ---------------------------------------------------------------- text streams

TEST(TTextStreamTest, GetLineAcceptsEveryKindOfLineBreak) {
  TMemoryStream s(std::string("unix\nwindows\r\nmac\rlast"));
  TTextStream text(&s, false);
  EXPECT_EQ(AllLines(text), (std::vector<std::string>{"unix", "windows", "mac", "last"}));
  EXPECT_TRUE(text.IsEof());

  // A carriage return at the very end ends the last line.
  TMemoryStream t(std::string("only\r"));
  TTextStream tail(&t, false);
  EXPECT_EQ(AllLines(tail), (std::vector<std::string>{"only"}));
}

TEST(TTextStreamTest, GetLineKeepsEmptyLinesAndStopsAfterTheLastBreak) {
  TMemoryStream s(std::string("a\n\n\r\n\r\rb\r\n"));
  TTextStream text(&s, false);
  EXPECT_EQ(AllLines(text), (std::vector<std::string>{"a", "", "", "", "", "b"}));
}

TEST(TTextStreamTest, GetLineReturnsFalseOnAnEmptyStream) {
  TMemoryStream s;
  TTextStream text(&s, false);
  std::string line = "stale";
  EXPECT_TRUE(text.IsEof());
  EXPECT_FALSE(text.GetLine(line));
  EXPECT_EQ(line, "");
}

TEST(TTextStreamTest, LineBreakSplitAcrossTheReadBufferIsOneBreak) {
  // The text is longer than the read buffer, with "\r\n" pairs straddling its edges.
  std::string data;
  std::vector<std::string> expected;
  for (int i = 0; data.size() < 20000; ++i) {
    std::string line(static_cast<size_t>(i % 13), static_cast<char>('a' + i % 26));
    expected.push_back(line);
    data += line + "\r\n";
  }
  TMemoryStream s(data);
  TTextStream text(&s, false);
  EXPECT_EQ(AllLines(text), expected);
}

TEST(TTextStreamTest, GetCharReturnsHighBytesAsPositiveAndMinusOneAtTheEnd) {
  TMemoryStream s(std::string("\xff\x80"));
  TTextStream text(&s, false);
  EXPECT_EQ(text.GetChar(), 0xff);
  EXPECT_EQ(text.GetChar(), 0x80);
  EXPECT_EQ(text.GetChar(), -1);
  EXPECT_EQ(text.GetChar(), -1);
}

TEST(TTextStreamTest, PutBackReturnsTheCharacterNextAndASecondReplacesTheFirst) {
  TMemoryStream s(std::string("xy"));
  TTextStream text(&s, false);
  EXPECT_EQ(text.GetChar(), 'x');
  text.PutBack('x');
  EXPECT_EQ(text.GetChar(), 'x');
  text.PutBack('p');
  text.PutBack('q');
  EXPECT_EQ(text.GetChar(), 'q');
  EXPECT_EQ(text.GetChar(), 'y');
  EXPECT_EQ(text.GetChar(), -1);

  // A character put back at the end makes the stream not at its end again.
  EXPECT_TRUE(text.IsEof());
  text.PutBack('y');
  EXPECT_FALSE(text.IsEof());
  std::string line;
  EXPECT_TRUE(text.GetLine(line));
  EXPECT_EQ(line, "y");
  EXPECT_TRUE(text.IsEof());
}

TEST(TTextStreamTest, PutLineAndPutEolWriteCarriageReturnLineFeed) {
  TMemoryStream s;
  {
    TTextStream text(&s, false);
    text.Put("(deffacts ");
    text.Put("start)");
    text.PutEOL();
    text.PutLine("(run)");
    text.PutLine("");
  }
  // The stream outlives a text stream that does not own it.
  EXPECT_EQ(s.Data(), "(deffacts start)\r\n(run)\r\n\r\n");
}

TEST(TTextStreamTest, FileRoundTripThroughOwnedFileStreams) {
  TempDir dir;
  std::string path = dir.File("rules.clp");
  {
    TTextStream out(path, FileMode::kWrite);
    out.PutLine("first");
    out.PutLine("second");
    out.Flush();
    EXPECT_EQ(ReadFile(path), "first\r\nsecond\r\n");
  }
  TTextStream in(path, FileMode::kRead);
  EXPECT_EQ(AllLines(in), (std::vector<std::string>{"first", "second"}));
  EXPECT_THROW(TTextStream(dir.File("nothing.txt"), FileMode::kRead), EStreamError);
}

}  // namespace
}  // namespace rulecore
