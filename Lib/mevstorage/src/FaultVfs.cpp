#include "FaultVfs.h"

#include <sqlite3.h>

#include <cerrno>
#include <string>

#include "mevcore/filesupport/FaultPlan.h"

namespace mevstorage {
namespace git {
namespace {

using mevcore::filesupport::CurrentFaultPlan;
using mevcore::filesupport::FaultKind;

// Our file, with the default layer's file right behind it.
struct CountedFile {
  sqlite3_file base;
  const char* name;
  sqlite3_file* Inner() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_vfs*& InnerVfs() {
  static sqlite3_vfs* inner = nullptr;
  return inner;
}

CountedFile* Counted(sqlite3_file* file) { return reinterpret_cast<CountedFile*>(file); }

const sqlite3_io_methods& InnerMethods(sqlite3_file* file) {
  return *Counted(file)->Inner()->pMethods;
}

// The planned errno for this call, 0 when it goes on (always without a plan).
int Planned(FaultKind kind, const char* name) {
  mevcore::filesupport::FaultPlan* plan = CurrentFaultPlan();
  if (!plan) return 0;
  return plan->Ask(kind, name ? name : "(SQLite temporary file)");
}

// The SQLite result of a failed write-like call: a full disk is SQLITE_FULL.
int WriteFailure(int error, int ioError) { return error == ENOSPC ? SQLITE_FULL : ioError; }

int Close(sqlite3_file* file) { return InnerMethods(file).xClose(Counted(file)->Inner()); }

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  if (Planned(FaultKind::kRead, Counted(file)->name)) return SQLITE_IOERR_READ;
  return InnerMethods(file).xRead(Counted(file)->Inner(), buffer, amount, offset);
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (const int error = Planned(FaultKind::kWrite, Counted(file)->name)) {
    return WriteFailure(error, SQLITE_IOERR_WRITE);
  }
  return InnerMethods(file).xWrite(Counted(file)->Inner(), buffer, amount, offset);
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
  if (const int error = Planned(FaultKind::kTruncate, Counted(file)->name)) {
    return WriteFailure(error, SQLITE_IOERR_TRUNCATE);
  }
  return InnerMethods(file).xTruncate(Counted(file)->Inner(), size);
}

int Sync(sqlite3_file* file, int flags) {
  if (Planned(FaultKind::kSync, Counted(file)->name)) return SQLITE_IOERR_FSYNC;
  return InnerMethods(file).xSync(Counted(file)->Inner(), flags);
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
  if (Planned(FaultKind::kStat, Counted(file)->name)) return SQLITE_IOERR_FSTAT;
  return InnerMethods(file).xFileSize(Counted(file)->Inner(), size);
}

int Lock(sqlite3_file* file, int level) {
  if (const int error = Planned(FaultKind::kLock, Counted(file)->name)) {
    return error == EBUSY ? SQLITE_BUSY : SQLITE_IOERR_LOCK;
  }
  return InnerMethods(file).xLock(Counted(file)->Inner(), level);
}

int Unlock(sqlite3_file* file, int level) {
  return InnerMethods(file).xUnlock(Counted(file)->Inner(), level);
}

int CheckReservedLock(sqlite3_file* file, int* out) {
  if (Planned(FaultKind::kLock, Counted(file)->name)) return SQLITE_IOERR_CHECKRESERVEDLOCK;
  return InnerMethods(file).xCheckReservedLock(Counted(file)->Inner(), out);
}

int FileControl(sqlite3_file* file, int op, void* arg) {
  return InnerMethods(file).xFileControl(Counted(file)->Inner(), op, arg);
}

int SectorSize(sqlite3_file* file) { return InnerMethods(file).xSectorSize(Counted(file)->Inner()); }

int DeviceCharacteristics(sqlite3_file* file) {
  return InnerMethods(file).xDeviceCharacteristics(Counted(file)->Inner());
}

// Shared memory and memory mapping exist only in layers of version 2 and 3.
bool InnerHas(sqlite3_file* file, int version) { return InnerMethods(file).iVersion >= version; }

int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
  if (!InnerHas(file, 2)) return SQLITE_IOERR_SHMMAP;
  if (Planned(FaultKind::kOpen, Counted(file)->name)) return SQLITE_IOERR_SHMOPEN;
  return InnerMethods(file).xShmMap(Counted(file)->Inner(), region, size, extend, out);
}

// Only taking a lock can fail; letting one go cannot.
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
  if ((flags & SQLITE_SHM_LOCK) != 0) {
    if (const int error = Planned(FaultKind::kLock, Counted(file)->name)) {
      return error == EBUSY ? SQLITE_BUSY : SQLITE_IOERR_SHMLOCK;
    }
  }
  return InnerMethods(file).xShmLock(Counted(file)->Inner(), offset, n, flags);
}

void ShmBarrier(sqlite3_file* file) { InnerMethods(file).xShmBarrier(Counted(file)->Inner()); }

int ShmUnmap(sqlite3_file* file, int deleteFlag) {
  if (!InnerHas(file, 2)) return SQLITE_OK;
  return InnerMethods(file).xShmUnmap(Counted(file)->Inner(), deleteFlag);
}

int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
  *out = nullptr;
  if (!InnerHas(file, 3)) return SQLITE_OK;
  return InnerMethods(file).xFetch(Counted(file)->Inner(), offset, amount, out);
}

int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
  if (!InnerHas(file, 3)) return SQLITE_OK;
  return InnerMethods(file).xUnfetch(Counted(file)->Inner(), offset, page);
}

const sqlite3_io_methods kCountedMethods = {
    3,     &Close,     &Read,       &Write,   &Truncate,
    &Sync, &FileSize,  &Lock,       &Unlock,  &CheckReservedLock,
    &FileControl,      &SectorSize, &DeviceCharacteristics,
    &ShmMap,           &ShmLock,    &ShmBarrier,
    &ShmUnmap,         &Fetch,      &Unfetch};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  CountedFile* counted = Counted(file);
  counted->base.pMethods = nullptr;
  counted->name = name;
  if (Planned(FaultKind::kOpen, name)) return SQLITE_CANTOPEN;
  const int result = InnerVfs()->xOpen(InnerVfs(), name, counted->Inner(), flags, outFlags);
  if (result == SQLITE_OK && counted->Inner()->pMethods) counted->base.pMethods = &kCountedMethods;
  return result;
}

int Delete(sqlite3_vfs*, const char* name, int syncFolder) {
  if (Planned(FaultKind::kRemove, name)) return SQLITE_IOERR_DELETE;
  return InnerVfs()->xDelete(InnerVfs(), name, syncFolder);
}

int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
  if (Planned(FaultKind::kStat, name)) return SQLITE_IOERR_ACCESS;
  return InnerVfs()->xAccess(InnerVfs(), name, flags, out);
}

int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return InnerVfs()->xFullPathname(InnerVfs(), name, size, out);
}

void* DlOpen(sqlite3_vfs*, const char* name) { return InnerVfs()->xDlOpen(InnerVfs(), name); }

void DlError(sqlite3_vfs*, int size, char* out) { InnerVfs()->xDlError(InnerVfs(), size, out); }

void (*DlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return InnerVfs()->xDlSym(InnerVfs(), handle, symbol);
}

void DlClose(sqlite3_vfs*, void* handle) { InnerVfs()->xDlClose(InnerVfs(), handle); }

int Randomness(sqlite3_vfs*, int size, char* out) {
  return InnerVfs()->xRandomness(InnerVfs(), size, out);
}

int Sleep(sqlite3_vfs*, int microseconds) {
  return InnerVfs()->xSleep(InnerVfs(), microseconds);
}

int CurrentTime(sqlite3_vfs*, double* out) { return InnerVfs()->xCurrentTime(InnerVfs(), out); }

int GetLastError(sqlite3_vfs*, int size, char* out) {
  return InnerVfs()->xGetLastError(InnerVfs(), size, out);
}

int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return InnerVfs()->xCurrentTimeInt64(InnerVfs(), out);
}

sqlite3_vfs MakeCountedVfs(sqlite3_vfs* inner) {
  sqlite3_vfs vfs{};
  vfs.iVersion = 2;
  vfs.szOsFile = static_cast<int>(sizeof(CountedFile)) + inner->szOsFile;
  vfs.mxPathname = inner->mxPathname;
  vfs.zName = kCountedVfsName;
  vfs.xOpen = &Open;
  vfs.xDelete = &Delete;
  vfs.xAccess = &Access;
  vfs.xFullPathname = &FullPathname;
  vfs.xDlOpen = &DlOpen;
  vfs.xDlError = &DlError;
  vfs.xDlSym = &DlSym;
  vfs.xDlClose = &DlClose;
  vfs.xRandomness = &Randomness;
  vfs.xSleep = &Sleep;
  vfs.xCurrentTime = &CurrentTime;
  vfs.xGetLastError = &GetLastError;
  vfs.xCurrentTimeInt64 = &CurrentTimeInt64;
  return vfs;
}

bool Register() {
  if (sqlite3_initialize() != SQLITE_OK) return false;
  sqlite3_vfs* inner = sqlite3_vfs_find(nullptr);
  if (!inner || inner->iVersion < 2) return false;
  InnerVfs() = inner;
  static sqlite3_vfs counted = MakeCountedVfs(inner);
  return sqlite3_vfs_register(&counted, 0) == SQLITE_OK;
}

}  // namespace

bool RegisterCountedVfs() {
  static const bool registered = Register();
  return registered;
}

}  // namespace git
}  // namespace mevstorage
