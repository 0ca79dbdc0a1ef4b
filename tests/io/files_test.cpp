// File streams and the file-system commands on real files in a scratch directory.
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "core/handles.h"
#include "io/files/file_stream.h"
#include "io/files/paths.h"
#include "io_test.h"
#include "support/fifo.h"
#include "support/run_fixture.h"
#include "window/runtime_window.h"

namespace korva::test {
namespace {

using namespace io;

void put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string get(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

class Files : public IoTest {
 protected:
  void SetUp() override {
    IoTest::SetUp();
    ASSERT_FALSE(dir.path().empty());
    session = std::make_unique<test::TestRun>();
    ASSERT_TRUE(session->ok());
    ASSERT_TRUE(session->start(filesystem_module()));
  }
  void TearDown() override {
    session.reset();
    IoTest::TearDown();
  }
  void endFileSystem() { session->end(filesystem_module()); }
  bool startFileSystem() { return session->start(filesystem_module()); }
  vxStr* P(const std::string& name) const { return S(dir / name); }
  // Every name a listing gives up to its end.
  std::vector<std::string> list(int32_t listing) {
    std::vector<std::string> names;
    for (std::string n; !(n = text(NextFile(listing))).empty() && names.size() < 1000;) names.push_back(n);
    return names;
  }

  ScratchDir dir;
  std::unique_ptr<test::TestRun> session;
};

TEST_F(Files, WriteFileEmptiesAnExistingFileAtOnce) {
  put(dir / "f", "old contents");
  int32_t f = WriteFile(P("f"));
  ASSERT_NE(f, 0);
  EXPECT_EQ(FileSize(P("f")), 0);
  WriteString(f, S("new"));
  CloseFile(f);
  EXPECT_EQ(get(dir / "f"), std::string("\3\0\0\0new", 7));
}

TEST_F(Files, ValuesWrittenReadBackAndEofLooksAtTheNextByte) {
  int32_t w = WriteFile(P("v"));
  WriteInt(w, -7);
  WriteFloat(w, 2.25f);
  WriteLine(w, S("line"));
  WriteByte(w, 9);
  CloseFile(w);

  int32_t r = ReadFile(P("v"));
  ASSERT_NE(r, 0);
  EXPECT_EQ(ReadAvail(r), 0) << "nothing buffered right after opening";
  EXPECT_EQ(ReadInt(r), -7);
  EXPECT_EQ(ReadAvail(r), 11) << "the rest of the first block";
  EXPECT_EQ(ReadFloat(r), 2.25f);
  EXPECT_EQ(text(ReadLine(r)), "line");
  EXPECT_EQ(Eof(r), 0);
  EXPECT_EQ(ReadByte(r), 9);
  EXPECT_EQ(Eof(r), 1);
  EXPECT_EQ(ReadInt(r), 0);
  CloseFile(r);
}

TEST_F(Files, OpenFailuresGiveZero) {
  CreateDir(P("sub"));
  EXPECT_EQ(ReadFile(P("missing")), 0);
  EXPECT_EQ(OpenFile(P("missing")), 0);
  EXPECT_EQ(FileType(P("missing")), 0);
  EXPECT_EQ(ReadFile(P("sub")), 0) << "a directory is no file";
  EXPECT_EQ(OpenFile(P("sub")), 0);
  EXPECT_EQ(WriteFile(P("sub")), 0);
  EXPECT_EQ(WriteFile(P("missing/f")), 0);
  EXPECT_EQ(FileType(P("missing")), 0) << "a failed open creates nothing";
}

TEST_F(Files, ReadsOfEverySizeCrossBlocksIntact) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content += static_cast<char>(i * 7 + i / 251);
  put(dir / "big", content);
  for (int32_t chunk : {1, 3, 4095, 4096, 4097, 9000, 30000}) {
    int32_t f = ReadFile(P("big"));
    int32_t bank = CreateBank(chunk);
    std::string back;
    for (int32_t n; (n = ReadBytes(bank, f, 0, chunk)) > 0;)
      for (int32_t i = 0; i < n; ++i) back += static_cast<char>(PeekByte(bank, i));
    EXPECT_EQ(back, content) << "chunk " << chunk;
    EXPECT_EQ(Eof(f), 1);
    FreeBank(bank);
    CloseFile(f);
  }
}

TEST_F(Files, OpenFileReadsAndWritesAtOnePosition) {
  put(dir / "u", "abcdefgh");
  int32_t f = OpenFile(P("u"));
  ASSERT_NE(f, 0);
  EXPECT_EQ(ReadByte(f), 'a');
  EXPECT_EQ(FilePos(f), 1);
  WriteByte(f, 'X');  // over 'b', although the whole file was read ahead
  EXPECT_EQ(FilePos(f), 2);
  EXPECT_EQ(ReadByte(f), 'c');
  EXPECT_EQ(SeekFile(f, 6), 6);
  WriteShort(f, 'Y' | 'Z' << 8);
  WriteByte(f, '!');  // past the old end
  EXPECT_EQ(SeekFile(f, -1), -1);
  EXPECT_EQ(FilePos(f), 9);
  EXPECT_EQ(SeekFile(f, 0), 0);
  EXPECT_EQ(ReadAvail(f), 0) << "nothing buffered right after seeking";
  EXPECT_EQ(ReadInt(f), 'a' | 'X' << 8 | 'c' << 16 | 'd' << 24);
  CloseFile(f);
  EXPECT_EQ(get(dir / "u"), "aXcdefYZ!");
}

TEST_F(Files, ReadOnlyAndWriteOnlyStreamsRefuseTheOtherWay) {
  put(dir / "r", "abc");
  int32_t r = ReadFile(P("r"));
  WriteInt(r, 1);
  CloseFile(r);
  EXPECT_EQ(get(dir / "r"), "abc");
  int32_t w = WriteFile(P("w"));
  WriteInt(w, 5);
  EXPECT_EQ(ReadByte(w), 0);
  EXPECT_EQ(Eof(w), 1);
  CloseFile(w);
  EXPECT_EQ(FileSize(P("w")), 4);
}

TEST_F(Files, CloseFileOfAClosedHandle) {
  int32_t f = WriteFile(P("c"));
  CloseFile(f);
  EXPECT_EQ(errorOf([&] { CloseFile(f); }), "");
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { CloseFile(f); }), "File does not exist");
  EXPECT_EQ(errorOf([&] { FilePos(f); }), "File does not exist");
  EXPECT_EQ(errorOf([&] { ReadByte(f); }), "Stream does not exist");
  // A stream that is no file is not closed by CloseFile.
  MemoryStream m;
  EXPECT_EQ(errorOf([&] { CloseFile(m.h()); }), "File does not exist");
  setDebugFlag(false);
  CloseFile(m.h());
  EXPECT_NE(Stream::find(m.handle()), nullptr);
}

TEST_F(Files, ShutDownClosesOpenFilesWritingOutTheirBuffers) {
  int32_t f = WriteFile(P("s"));
  WriteInt(f, 0x64636261);
  endFileSystem();
  EXPECT_EQ(get(dir / "s"), "abcd");
  EXPECT_EQ(Stream::find(static_cast<uint32_t>(f)), nullptr);
  ASSERT_TRUE(startFileSystem());
}

TEST_F(Files, AnEmptyDirectoryListsItsTwoEntriesThenTheEmptyStringForEver) {
  CreateDir(P("empty"));
  int32_t d = ReadDir(P("empty"));
  ASSERT_NE(d, 0);
  std::set<std::string> firstTwo = {text(NextFile(d)), text(NextFile(d))};
  EXPECT_EQ(firstTwo, (std::set<std::string>{".", ".."}));
  EXPECT_EQ(text(NextFile(d)), "");
  EXPECT_EQ(text(NextFile(d)), "");
  CloseDir(d);
  CloseDir(d);
  setDebugFlag(true);
  EXPECT_EQ(errorOf([&] { vxStrRelease(NextFile(d)); }), "Directory does not exist");
  EXPECT_EQ(errorOf([&] { CloseDir(d); }), "") << "CloseDir never raises";
}

TEST_F(Files, ListingsIgnoreATrailingSeparatorOfEitherKind) {
  CreateDir(P("d"));
  put(dir / "d/one", "1");
  put(dir / "d/two", "22");
  CreateDir(P("d\\sub"));
  std::vector<std::string> plain = list(ReadDir(P("d")));
  std::sort(plain.begin(), plain.end());
  EXPECT_EQ(plain, (std::vector<std::string>{".", "..", "one", "sub", "two"}));
  for (const char* suffix : {"/", "\\"}) {
    std::vector<std::string> names = list(ReadDir(P(std::string("d") + suffix)));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, plain) << suffix;
  }
  EXPECT_EQ(ReadDir(P("d/one")), 0) << "a file is no directory";
  EXPECT_EQ(ReadDir(P("nothing")), 0);
  std::vector<std::string> root = list(ReadDir(S("")));
  EXPECT_NE(std::find(root.begin(), root.end(), "tmp"), root.end()) << "the empty name lists the root";
}

TEST_F(Files, ShutDownClosesOpenListings) {
  int32_t d = ReadDir(S(dir.path()));
  ASSERT_NE(d, 0);
  endFileSystem();
  EXPECT_EQ(Handles::find(static_cast<uint32_t>(d), HandleKind::Directory), nullptr);
  ASSERT_TRUE(startFileSystem());
  EXPECT_FALSE(filesystem_module().create(*session->run)) << "one driver at a time";
}

TEST_F(Files, SizeAndTypeOfFilesDirectoriesAndWildcards) {
  put(dir / "five", "12345");
  CreateDir(P("sub"));
  EXPECT_EQ(FileSize(P("five")), 5);
  EXPECT_EQ(FileType(P("five")), 1);
  EXPECT_EQ(FileSize(P("sub")), 0);
  EXPECT_EQ(FileType(P("sub")), 2);
  EXPECT_EQ(FileSize(P("f*")), 5) << "the first entry that matches";
  EXPECT_EQ(FileSize(P("fiv?")), 5);
  EXPECT_EQ(FileSize(P("x*")), 0);
  EXPECT_EQ(FileType(S(dir.path() + "\\five")), 1);
}

TEST(Paths, WildcardsMatchAsTheDirectorySearchDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*", "anything", true}, {"*", "", true},          {"a*c", "abbbc", true}, {"a*c", "abcd", false},
      {"?b", "ab", true},      {"?b", "b", false},       {"*.txt", "a.txt", true}, {"*.txt", "a.txt.bak", false},
      {"a**b", "ab", true},    {"*a*a", "banana", true}, {"x", "x", true},      {"x", "X", false},
  };
  for (const Case& c : cases) EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
  EXPECT_TRUE(hasWildcard("dir/*.bmp"));
  EXPECT_FALSE(hasWildcard("d*r/file"));
  EXPECT_EQ(hostPath("a\\b/c\\"), "a/b/c/");
}

TEST_F(Files, CopyDeleteCreateAndRemoveDirectories) {
  put(dir / "src", "source bytes");
  put(dir / "dst", "an older and longer target");
  CopyFile(P("src"), P("dst"));
  EXPECT_EQ(get(dir / "dst"), "source bytes");
  CopyFile(P("src"), P("src"));
  EXPECT_EQ(get(dir / "src"), "source bytes") << "a file copied onto itself keeps its bytes";
  CopyFile(P("missing"), P("dst"));
  EXPECT_EQ(get(dir / "dst"), "source bytes");
  DeleteFile(P("dst"));
  EXPECT_EQ(FileType(P("dst")), 0);

  CreateDir(P("a"));
  put(dir / "a/f", "x");
  DeleteDir(P("a"));
  EXPECT_EQ(FileType(P("a")), 2) << "a directory that is not empty stays";
  DeleteFile(P("a"));
  EXPECT_EQ(FileType(P("a")), 2) << "DeleteFile removes no directory";
  DeleteFile(P("a\\f"));
  DeleteDir(P("a\\"));
  EXPECT_EQ(FileType(P("a")), 0);
}

TEST_F(Files, ChangeDirMakesRelativeNamesStartThere) {
  std::string before = text(CurrentDir());
  ASSERT_FALSE(before.empty());
  ChangeDir(S(dir.path()));
  std::string now = text(CurrentDir());
  put("rel", "r");
  ChangeDir(S(before));
  EXPECT_EQ(now, std::filesystem::canonical(dir.path()).string());
  EXPECT_EQ(text(CurrentDir()), before);
  EXPECT_EQ(get(dir / "rel"), "r");
  ChangeDir(P("missing"));
  EXPECT_EQ(text(CurrentDir()), before) << "a failed change leaves the directory";
}

// A FIFO with no writer (or no reader) would hold an open for good, and with one that
// sends nothing a read; devices never end. None of them is a file.
TEST_F(Files, NamedPipesAndDevicesAreNoFiles) {
  Fifo pipe(dir / "pipe");
  ASSERT_TRUE(pipe.made());
  put(dir / "src", "source bytes");
  const struct {
    const char* what;
    std::function<int32_t()> call;
  } cases[] = {
      {"ReadFile of a FIFO", [&] { return ReadFile(P("pipe")); }},
      {"OpenFile of a FIFO", [&] { return OpenFile(P("pipe")); }},
      {"WriteFile of a FIFO", [&] { return WriteFile(P("pipe")); }},
      {"ReadFile of a device", [&] { return ReadFile(S("/dev/zero")); }},
      {"WriteFile of a device", [&] { return WriteFile(S("/dev/null")); }},
      {"CopyFile onto a FIFO", [&] { return CopyFile(P("src"), P("pipe")), FileType(P("pipe")) == 1 ? 0 : -1; }},
      {"CopyFile of a FIFO", [&] { return CopyFile(P("pipe"), P("copy")), FileType(P("copy")); }},
  };
  for (const auto& c : cases) {
    int32_t result = -1;
    EXPECT_TRUE(returnsWithin(std::chrono::seconds(5), [&] { result = c.call(); }, {&pipe})) << c.what;
    EXPECT_EQ(result, 0) << c.what;
  }
  // Whoever holds the other end is no reason to take it either.
  int held = open(pipe.path().c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(held, 0);
  int32_t opened = -1;
  EXPECT_TRUE(returnsWithin(std::chrono::seconds(5), [&] { opened = ReadFile(P("pipe")); }, {&pipe}));
  EXPECT_EQ(opened, 0);
  close(held);
}

// Lines come out of the file's block without a call per byte, across block boundaries.
TEST_F(Files, LinesLongerThanABlockReadWhole) {
  const std::string lines[] = {std::string(5000, 'a'), "", std::string(FileStream::kBlock - 1, 'b') + "\r",
                               std::string(3 * FileStream::kBlock, 'c')};
  std::string content;
  for (const std::string& l : lines) content += l + "\n";
  put(dir / "lines", content + "tail");
  int32_t f = ReadFile(P("lines"));
  for (const std::string& l : lines) {
    std::string expected = l;
    std::erase(expected, '\r');
    EXPECT_EQ(text(ReadLine(f)), expected);
  }
  EXPECT_EQ(text(ReadLine(f)), "tail");
  EXPECT_EQ(Eof(f), 1);
  EXPECT_EQ(FilePos(f), static_cast<int32_t>(content.size() + 4));
  CloseFile(f);
}

}  // namespace
}  // namespace korva::test
