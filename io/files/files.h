// What the filesystem module's start-up and shut-down reach of the file commands.
#pragma once
#include <cstddef>
#include <string>

namespace korva {
struct vxStr;
}

namespace korva::io {

// Closes every file stream still open, as CloseFile would, oldest first.
void closeAllFiles();
size_t openFileCount();

}  // namespace korva::io
