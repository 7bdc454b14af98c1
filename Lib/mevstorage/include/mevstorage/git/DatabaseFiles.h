#pragma once

#include <string>

namespace mevstorage {
namespace git {

// The files SQLite keeps beside a database "<name>": "<name>-journal" (the
// rollback journal), "<name>-wal" (the write-ahead log) and "<name>-shm"
// (its index). Left by a program that stopped or still runs, they hold
// part of the database: a hot journal rolls back into whatever database
// then has the name "<name>", a log holds committed transactions not yet
// copied into it. So they belong with the database wherever it goes.
constexpr const char* kCompanionSuffixes[] = {"-journal", "-wal", "-shm"};

// Whether another process is writing the SQLite database at `path`: it
// holds the RESERVED, PENDING or EXCLUSIVE lock of the database file, or,
// in write-ahead log mode, the write lock of "<path>-shm". Told by SQLite's
// own locks through the storage library's SQLite file layer (so a fault
// plan can fail it), from the file alone: nothing is read from it, a hot
// journal is not rolled back, no file is created and none changed. A
// shared lock on the database file is held while it looks, as any reader
// holds one. Throws StorageError ("Unable to tell whether <path> is in use
// by another program: <reason>") when it cannot be told.
bool DatabaseBeingWritten(const std::string& path);

}  // namespace git
}  // namespace mevstorage
