#include "OdbBackend.h"

namespace mevstorage {
namespace git {

namespace {

struct SQLiteBackend {
  git_odb_backend parent;
  ObjectDatabase* database;
  bool writeFailed;
  git_oid failedWrite;
};

ObjectDatabase& Database(git_odb_backend* backend) {
  return *reinterpret_cast<SQLiteBackend*>(backend)->database;
}

int ReadObject(void** data, size_t* size, git_object_t* type, git_odb_backend* backend,
               const git_oid* id) {
  ObjectDatabase& database = Database(backend);
  const auto allocate = [backend](std::size_t n) { return git_odb_backend_data_alloc(backend, n); };
  return ReportResult(database, database.Read(*id, type, data, size, allocate));
}

int ReadObjectByPrefix(git_oid* found, void** data, size_t* size, git_object_t* type,
                       git_odb_backend* backend, const git_oid* prefix, size_t hexLength) {
  ObjectDatabase& database = Database(backend);
  git_oid id;
  const ObjectDatabase::Result match = database.FindUnique(*prefix, hexLength, &id);
  if (match != ObjectDatabase::Result::kOk) return ReportResult(database, match);
  const int result = ReadObject(data, size, type, backend, &id);
  if (result == 0) git_oid_cpy(found, &id);
  return result;
}

int ReadObjectHeader(size_t* size, git_object_t* type, git_odb_backend* backend,
                     const git_oid* id) {
  ObjectDatabase& database = Database(backend);
  return ReportResult(database, database.ReadHeader(*id, type, size));
}

// libgit2 takes any non-zero answer for "there", so a failed look-up answers
// 0 (with the error set): nothing may be taken as stored that is not.
int ObjectExists(git_odb_backend* backend, const git_oid* id) {
  ObjectDatabase& database = Database(backend);
  const ObjectDatabase::Result result = database.Exists(*id);
  if (result == ObjectDatabase::Result::kOk) return 1;
  if (result == ObjectDatabase::Result::kError) ReportResult(database, result);
  return 0;
}

int ObjectExistsByPrefix(git_oid* found, git_odb_backend* backend, const git_oid* prefix,
                         size_t hexLength) {
  ObjectDatabase& database = Database(backend);
  return ReportResult(database, database.FindUnique(*prefix, hexLength, found));
}

int WriteObject(git_odb_backend* backend, const git_oid* id, const void* data, size_t size,
                git_object_t type) {
  ObjectDatabase& database = Database(backend);
  const ObjectDatabase::Result result = database.Write(*id, data, size, type);
  SQLiteBackend* self = reinterpret_cast<SQLiteBackend*>(backend);
  self->writeFailed = result != ObjectDatabase::Result::kOk;
  git_oid_cpy(&self->failedWrite, id);
  return ReportResult(database, result);
}

// Objects carry no time of use, so freshening only confirms that the object
// is there (0), which spares libgit2 writing it again.
int FreshenObject(git_odb_backend* backend, const git_oid* id) {
  ObjectDatabase& database = Database(backend);
  const ObjectDatabase::Result result = database.Exists(*id);
  return result == ObjectDatabase::Result::kNotFound ? GIT_ENOTFOUND
                                                     : ReportResult(database, result);
}

void FreeBackend(git_odb_backend* backend) {
  SQLiteBackend* self = reinterpret_cast<SQLiteBackend*>(backend);
  delete self->database;
  delete self;
}

}  // namespace

git_odb_backend* NewSQLiteOdbBackend(std::unique_ptr<ObjectDatabase> database) {
  SQLiteBackend* self = new SQLiteBackend{};
  git_odb_init_backend(&self->parent, GIT_ODB_BACKEND_VERSION);
  self->parent.read = &ReadObject;
  self->parent.read_prefix = &ReadObjectByPrefix;
  self->parent.read_header = &ReadObjectHeader;
  self->parent.write = &WriteObject;
  self->parent.writestream = &OpenWriteStream;
  self->parent.exists = &ObjectExists;
  self->parent.exists_prefix = &ObjectExistsByPrefix;
  self->parent.freshen = &FreshenObject;
  self->parent.free = &FreeBackend;
  self->database = database.release();
  return &self->parent;
}

int ReportResult(ObjectDatabase& database, ObjectDatabase::Result result) {
  switch (result) {
    case ObjectDatabase::Result::kOk:
      return 0;
    case ObjectDatabase::Result::kNotFound:
      git_error_set_str(GIT_ERROR_ODB, "object not found in the SQLite object database");
      return GIT_ENOTFOUND;
    case ObjectDatabase::Result::kAmbiguous:
      git_error_set_str(GIT_ERROR_ODB, "object prefix is ambiguous in the SQLite object database");
      return GIT_EAMBIGUOUS;
    case ObjectDatabase::Result::kError:
      break;
  }
  git_error_set_str(GIT_ERROR_ODB, database.LastError().c_str());
  return GIT_ERROR;
}

bool RepeatsFailedWrite(git_odb_backend* backend, const git_oid& id) {
  SQLiteBackend* self = reinterpret_cast<SQLiteBackend*>(backend);
  const bool repeats = self->writeFailed && git_oid_equal(&self->failedWrite, &id);
  self->writeFailed = false;
  return repeats;
}

ObjectDatabase* DatabaseOfBackend(git_odb_backend* backend) {
  if (!backend || backend->free != &FreeBackend) return nullptr;
  return reinterpret_cast<SQLiteBackend*>(backend)->database;
}

}  // namespace git
}  // namespace mevstorage
