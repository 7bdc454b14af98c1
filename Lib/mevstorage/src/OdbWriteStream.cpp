#include <string>

#include "OdbBackend.h"

namespace mevstorage {
namespace git {

namespace {

struct WriteStream {
  git_odb_stream parent;
  git_object_t type;
  bool stored;
  std::string* pieces;
};

WriteStream& Self(git_odb_stream* stream) { return *reinterpret_cast<WriteStream*>(stream); }

ObjectDatabase& Database(git_odb_stream* stream) { return *DatabaseOfBackend(stream->backend); }

// The whole object: hashed here and stored from the caller's own bytes.
int StoreWhole(git_odb_stream* stream, const char* bytes, std::size_t size) {
  git_oid id;
  if (git_odb_hash(&id, bytes, size, Self(stream).type) != 0) return GIT_ERROR;
  ObjectDatabase& database = Database(stream);
  if (RepeatsFailedWrite(stream->backend, id))
    return ReportResult(database, ObjectDatabase::Result::kError);
  ObjectDatabase::Result result = database.Exists(id);
  if (result == ObjectDatabase::Result::kNotFound) {
    result = database.Write(id, bytes, size, Self(stream).type);
  }
  Self(stream).stored = result == ObjectDatabase::Result::kOk;
  return ReportResult(database, result);
}

// libgit2 has counted `size` into received_bytes before this call.
int WriteToStream(git_odb_stream* stream, const char* bytes, size_t size) {
  if (stream->received_bytes == size && size == stream->declared_size) {
    return StoreWhole(stream, bytes, size);
  }
  WriteStream& self = Self(stream);
  if (!self.pieces) self.pieces = new std::string;
  self.pieces->append(bytes, size);
  return 0;
}

int FinalizeStream(git_odb_stream* stream, const git_oid* id) {
  WriteStream& self = Self(stream);
  if (self.stored) return 0;
  const std::string empty;
  const std::string& data = self.pieces ? *self.pieces : empty;
  ObjectDatabase& database = Database(stream);
  return ReportResult(database, database.Write(*id, data.data(), data.size(), self.type));
}

void FreeStream(git_odb_stream* stream) {
  delete Self(stream).pieces;
  delete &Self(stream);
}

}  // namespace

int OpenWriteStream(git_odb_stream** stream, git_odb_backend* backend, git_object_size_t,
                    git_object_t type) {
  WriteStream* self = new WriteStream{};
  self->parent.backend = backend;
  self->parent.mode = GIT_STREAM_WRONLY;
  self->parent.write = &WriteToStream;
  self->parent.finalize_write = &FinalizeStream;
  self->parent.free = &FreeStream;
  self->type = type;
  *stream = &self->parent;
  return 0;
}

}  // namespace git
}  // namespace mevstorage
