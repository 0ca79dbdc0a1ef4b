// The filesystem module: files as streams, directory listings and the file-system commands.
#include <memory>

#include "link/modules.h"
#include "io/commands.h"
#include "io/driver/file_system.h"
#include "io/files/files.h"
#include "window/runtime_window.h"

namespace korva {
namespace {

using namespace io;

const SymbolDef kSymbols[] = {
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

}  // namespace

bool filesystem_create() {
  RuntimeWindow* window = RuntimeWindow::instance();
  return window && window->openFileSystem(std::make_unique<FileSystem>()) != nullptr;
}

void filesystem_destroy() {
  closeAllFiles();
  if (RuntimeWindow* window = RuntimeWindow::instance())
    if (FileSystem* fs = FileSystem::current()) window->closeFileSystem(fs);
}

KORVA_MODULE_SYMBOLS(filesystem, kSymbols)

}  // namespace korva
