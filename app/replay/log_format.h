// The recording file: a raw header that names the format version and the program, then one
// compressed stream of events (docs/replay.md has the byte layout). Decoding trusts nothing:
// every length is bounded and a file that ends or lies is reported, never followed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korva::replay {

inline constexpr char kMagic[8] = {'K', 'O', 'R', 'V', 'A', 'R', 'E', 'C'};
inline constexpr uint32_t kFormatVersion = 1;

enum HeaderFlags : uint32_t {
  kFilesCarried = 1,    // the data of every file read is in the recording
  kPicturesCarried = 2, // every frame's picture is in the recording
  kMemoryHashes = 4,    // every frame carries a hash of guest memory
  kDebugRun = 8,        // the program ran with the debug flag
  kKnownFlags = 15,
};

struct Header {
  uint32_t version = kFormatVersion;
  uint32_t flags = 0;
  uint64_t programHash = 0;
  uint32_t programSize = 0;
  std::string programName;  // the file's base name, at most 255 bytes
};

inline constexpr size_t kMaxProgramName = 255;

std::string encodeHeader(const Header& header);
// Reads a header from the start of bytes; the bytes it took, or 0 with why set (not a
// recording, another version, cut short).
size_t decodeHeader(std::string_view bytes, Header& header, std::string& why);

enum class Tag : uint8_t { Routine = 1, Value = 2, Frame = 3, File = 4, End = 5 };

// What a recorded value holds.
enum class Form : uint8_t { None = 0, Word = 1, Float = 2, Text = 3 };

enum class FrameKind : uint8_t { Flip = 0, Repaint = 1 };
enum class EndKind : uint8_t { Quiet = 0, Error = 1, Returned = 2 };

// One event. seq is the number of the routine call it belongs to (calls count from 1; 0 is
// before the first); the file stores it as the distance from the previous event's.
struct Event {
  Tag tag = Tag::Value;
  uint64_t seq = 0;
  uint32_t routine = 0;  // Routine: the id it defines; Value: the routine called
  Form form = Form::None;
  uint32_t word = 0;     // Value: an integer or pointer result, or a float's bits
  std::string text{};    // Routine: declaration; Value: text result; File: path; End: message
  std::string bytes{};   // Value: guest data the routine filled; File: the data carried;
                         // Frame: the picture, as a difference from the one before
  uint8_t kind = 0;      // FrameKind, EndKind, or File: 1 when the file was there
  uint64_t hash = 0;     // Frame: the picture's; File: the content's
  uint64_t memoryHash = 0;
  uint64_t size = 0;     // File: its length
  uint32_t handles = 0;  // Value: how many handles the call handed out
  uint32_t width = 0, height = 0;  // Frame with a picture
  bool hasMemoryHash = false, hasPicture = false, carried = false;
};

// Limits a hostile file cannot pass.
inline constexpr size_t kMaxDeclaration = 4096;
inline constexpr size_t kMaxPath = 65536;
inline constexpr uint64_t kMaxText = uint64_t{1} << 30;      // guest memory holds no more
inline constexpr uint64_t kMaxCarried = uint64_t{1} << 32;   // one file's data
inline constexpr uint32_t kMaxPictureSide = 16384;
inline constexpr uint64_t kMaxPictureBytes = uint64_t{256} << 20;
inline constexpr uint32_t kMaxHandlesPerCall = 65536;

// prevSeq is the seq of the event before (0 at the start).
std::string encodeEvent(const Event& event, uint64_t prevSeq);

// Where decoding reads from: read fills exactly n bytes or gives false (nothing more).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual bool read(void* dst, size_t n) = 0;
};

enum class Decoded { Event, End, Damaged };
// The next event after one whose seq was prevSeq. End: the source ended between events;
// Damaged: why says what was wrong (an unknown tag, a length past a limit, cut short).
Decoded decodeEvent(ByteSource& source, uint64_t prevSeq, Event& event, std::string& why);

// Little helpers shared by the encoder and its tests.
void putVarint(std::string& out, uint64_t v);
void putFixed(std::string& out, uint64_t v, int bytes);

}  // namespace korva::replay
