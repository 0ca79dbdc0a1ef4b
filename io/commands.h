// The commands of the stream, filesystem and bank modules as the modules register them.
// Handles are the 32-bit values programs hold; string arguments are owned and released.
#pragma once
#include <cstdint>

namespace korva {
struct vxStr;
}

namespace korva::io {

// Values on any stream.
int32_t Eof(int32_t stream);
int32_t ReadAvail(int32_t stream);
int32_t ReadByte(int32_t stream);
int32_t ReadShort(int32_t stream);
int32_t ReadInt(int32_t stream);
float ReadFloat(int32_t stream);
vxStr* ReadString(int32_t stream);
vxStr* ReadLine(int32_t stream);
void WriteByte(int32_t stream, int32_t value);
void WriteShort(int32_t stream, int32_t value);
void WriteInt(int32_t stream, int32_t value);
void WriteFloat(int32_t stream, float value);
void WriteString(int32_t stream, vxStr* text);
void WriteLine(int32_t stream, vxStr* text);

// TCP.
int32_t OpenTCPStream(vxStr* server, int32_t port);
void CloseTCPStream(int32_t stream);
int32_t CreateTCPServer(int32_t port);
void CloseTCPServer(int32_t server);
int32_t AcceptTCPStream(int32_t server);

// Files and the file system.
int32_t OpenFile(vxStr* name);
int32_t ReadFile(vxStr* name);
int32_t WriteFile(vxStr* name);
void CloseFile(int32_t file);
int32_t FilePos(int32_t file);
int32_t SeekFile(int32_t file, int32_t pos);
int32_t ReadDir(vxStr* name);
void CloseDir(int32_t dir);
vxStr* NextFile(int32_t dir);
vxStr* CurrentDir();
void ChangeDir(vxStr* dir);
void CreateDir(vxStr* dir);
void DeleteDir(vxStr* dir);
int32_t FileSize(vxStr* name);
int32_t FileType(vxStr* name);
void CopyFile(vxStr* from, vxStr* to);
void DeleteFile(vxStr* name);

// Banks.
int32_t CreateBank(int32_t size);
void FreeBank(int32_t bank);
int32_t BankSize(int32_t bank);
void ResizeBank(int32_t bank, int32_t size);
void CopyBank(int32_t src, int32_t srcOffset, int32_t dest, int32_t destOffset, int32_t count);
int32_t PeekByte(int32_t bank, int32_t offset);
int32_t PeekShort(int32_t bank, int32_t offset);
int32_t PeekInt(int32_t bank, int32_t offset);
float PeekFloat(int32_t bank, int32_t offset);
void PokeByte(int32_t bank, int32_t offset, int32_t value);
void PokeShort(int32_t bank, int32_t offset, int32_t value);
void PokeInt(int32_t bank, int32_t offset, int32_t value);
void PokeFloat(int32_t bank, int32_t offset, float value);
int32_t ReadBytes(int32_t bank, int32_t stream, int32_t offset, int32_t count);
int32_t WriteBytes(int32_t bank, int32_t stream, int32_t offset, int32_t count);

namespace testing {
// How long a TCP read waits for data before the stream fails; 10000 ms unless a test
// shortens it. A value <= 0 restores the default.
void setTcpReadTimeoutMs(int32_t ms);
// The local port a live TCP server listens on (0 for a handle that is no server), for
// servers made on port 0.
int32_t tcpServerPort(int32_t server);
// The capacity of a live bank's storage, or -1 for a handle that is no bank.
int64_t bankCapacity(int32_t bank);
}  // namespace testing

}  // namespace korva::io

namespace korva {
// The stream and bank modules' ends: every TCP stream and server, every bank freed.
void stream_destroy();
void bank_destroy();
}  // namespace korva
