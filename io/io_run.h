// The run as the io modules see it: given at the filesystem and stream modules' start,
// gone at their end.
#pragma once

namespace korva {
class RunContext;
}

namespace korva::io {

class FileSystem;

// The file system driver of the run; null outside a run.
FileSystem* fileSystem();
// Lets the window handle what is queued; ends the program quietly when it must end. Does
// nothing outside a run.
void pollOrEnd();

}  // namespace korva::io
