// How a replay compares its frames with the recording's and what it says at the end.
#include <filesystem>

#include "app/capture/frame_capture.h"
#include "app/debuggers.h"
#include "app/replay/private/replayer.h"

namespace korva::replay {
namespace {

std::string plural(int64_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

}  // namespace

void Replayer::checkFrame(const Event& recorded, const Canvas& front) {
  if (!verify_ || stopped_) return;
  Picture picture;
  const std::string number = std::to_string(frames_ + 1);
  if (frameHash(front, picture) != recorded.hash) {
    takePicture(front, picture);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(verifyDir_, ec);
    std::string base = (fs::path(verifyDir_) / capture::FrameCapture::fileName(frames_ + 1)).string();
    base.resize(base.size() - 4);  // without ".png"
    std::string why, saved;
    if (savePicture(picture, base + "-replayed.png", why)) saved = base + "-replayed.png";
    if (recorded.hasPicture && savePicture(recordedPicture_, base + "-recorded.png", why))
      saved += " and " + base + "-recorded.png";
    else
      saved += "; the recording carries no pictures (record with --record-frames for them)";
    diverge("frame " + number + " differs from the recording's (pictures: " + saved + ")");
    return;
  }
  if (recorded.hasMemoryHash && guestMemoryHash() != recorded.memoryHash)
    diverge("guest memory differs from the recording's at frame " + number);
}

int Replayer::finish(int status) {
  if (!stopped_ && !endedAsRecorded_) {
    if (errorSeen_) {
      // A fault in guest code ends the run outside any call.
      if (nextIs(Tag::End, seq_) && peek()->kind == static_cast<uint8_t>(EndKind::Error) && peek()->text == error_) {
        take();
        endedAsRecorded_ = true;
      } else {
        diverge("a run-time error the recording does not have: " + error_);
      }
    } else if (returned_) {
      if (nextIs(Tag::End, seq_) && peek()->kind == static_cast<uint8_t>(EndKind::Returned)) {
        take();
        endedAsRecorded_ = true;
      } else {
        const Event* e = peek();
        diverge("the program ended, and the recording goes on with " + (e ? describe(*e) : std::string("nothing")));
      }
    }
  }
  const std::string counts = plural(frames_, "frame") + " and " + plural(static_cast<int64_t>(seq_), "call");
  if (stopped_) {
    writeErrorLine("korva: replay of " + recordingFile_ + " stopped at " + stopReason_);
    writeErrorLine("korva: " + counts + " were replayed as recorded");
    return 1;
  }
  std::string how = endedAsRecorded_ ? "to the recording's end"
                    : userEnded_     ? "until it was ended before the recording's end"
                                     : "until the program ended";
  if (endedAsRecorded_ && errorSeen_) how += ", which is the run-time error \"" + error_ + "\"";
  writeErrorLine("korva: replayed " + counts + " from " + recordingFile_ + " " + how +
                 (verify_ ? "; every frame is the recording's" : ""));
  // The recorded error came back as it should: the replay did its job.
  return endedAsRecorded_ && errorSeen_ ? 0 : status;
}

}  // namespace korva::replay
