// The filesystem module: files as streams, directory listings and the file-system commands.
#include <memory>

#include "link/module.h"
#include "io/commands.h"
#include "io/driver/file_system.h"
#include "io/io_run.h"
#include "io/files/files.h"
#include "run/run_context.h"

namespace korva {
namespace {

using namespace io;

const SymbolDef kFileSystemSymbols[] = {
    KORVA_ROUTINE("%OpenFile$filename", OpenFile),
    KORVA_ROUTINE("%ReadFile$filename", ReadFile),
    KORVA_ROUTINE("%WriteFile$filename", WriteFile),
    KORVA_ROUTINE("CloseFile%file_stream", CloseFile),
    KORVA_ROUTINE("%FilePos%file_stream", FilePos),
    KORVA_ROUTINE("%SeekFile%file_stream%pos", SeekFile),
    KORVA_ROUTINE("%ReadDir$dirname", ReadDir),
    KORVA_ROUTINE("CloseDir%dir", CloseDir),
    KORVA_ROUTINE("$NextFile%dir", NextFile),
    KORVA_ROUTINE("$CurrentDir", CurrentDir),
    KORVA_ROUTINE("ChangeDir$dir", ChangeDir),
    KORVA_ROUTINE("CreateDir$dir", CreateDir),
    KORVA_ROUTINE("DeleteDir$dir", DeleteDir),
    KORVA_ROUTINE("%FileSize$file", FileSize),
    KORVA_ROUTINE("%FileType$file", FileType),
    KORVA_ROUTINE("CopyFile$file$to", CopyFile),
    KORVA_ROUTINE("DeleteFile$file", DeleteFile),
};

RunContext* g_fileSystemRun = nullptr;

bool startFileSystem(RunContext& run) {
  if (!run.openFileSystem()) return false;
  g_fileSystemRun = &run;
  return true;
}

void endFileSystem() {
  closeAllFiles();
  if (g_fileSystemRun) g_fileSystemRun->closeFileSystem(g_fileSystemRun->fileSystem());
  g_fileSystemRun = nullptr;
}

}  // namespace

namespace io {
FileSystem* fileSystem() { return g_fileSystemRun ? g_fileSystemRun->fileSystem() : nullptr; }
}  // namespace io

KORVA_MODULE(filesystem, kFileSystemSymbols, startFileSystem, endFileSystem)

}  // namespace korva
