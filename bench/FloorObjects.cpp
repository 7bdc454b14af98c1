#include "FloorObjects.h"

#include <sqlite3.h>

#include <array>
#include <memory>
#include <random>
#include <stdexcept>

namespace bench {

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;
using ObjectId = std::array<unsigned char, 20>;

enum ObjectType { kCommit = 1, kTree = 2, kBlob = 3 };

const char* const kReadData = "SELECT data FROM objects WHERE oid = ?1";
const char* const kInsert =
    "INSERT OR IGNORE INTO objects(oid, type, size, data) VALUES(?1, ?2, ?3, ?4)";

class Database {
 public:
  explicit Database(const std::string& path) : path_(path), db_(Open(path)) {
    Execute("PRAGMA journal_mode=DELETE");
    Execute("PRAGMA synchronous=FULL");
  }

  void Execute(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
  }

  std::string ReadData(const ObjectId& id) {
    Statement read = Prepare(kReadData);
    sqlite3_bind_blob(read.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
    if (sqlite3_step(read.get()) != SQLITE_ROW) Fail("read an object");
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(read.get(), 0));
    return std::string(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(read.get(), 0)));
  }

  void Insert(const ObjectId& id, ObjectType type, const std::string& data) {
    Statement insert = Prepare(kInsert);
    sqlite3_bind_blob(insert.get(), 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
    sqlite3_bind_int(insert.get(), 2, type);
    sqlite3_bind_int64(insert.get(), 3, static_cast<sqlite3_int64>(data.size()));
    sqlite3_bind_blob(insert.get(), 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) Fail("insert an object");
  }

  void Close() {
    if (sqlite3_close(db_.release()) != SQLITE_OK) throw std::runtime_error("Unable to close " + path_);
  }

 private:
  static Connection Open(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw, &sqlite3_close);
    if (rc != SQLITE_OK)
      throw std::runtime_error("Unable to open " + path + ": " +
                               (raw ? sqlite3_errmsg(raw) : "out of memory"));
    return db;
  }

  Statement Prepare(const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK) Fail(sql);
    return Statement(raw, &sqlite3_finalize);
  }

  [[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("Unable to " + what + " in " + path_ + ": " + sqlite3_errmsg(db_.get()));
  }

  std::string path_;
  Connection db_;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ObjectId ParseId(const std::string& hex, const std::string& where) {
  ObjectId id{};
  bool valid = hex.size() == 2 * id.size();
  for (std::size_t i = 0; valid && i < id.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    valid = high >= 0 && low >= 0;
    id[i] = static_cast<unsigned char>(high * 16 + low);
  }
  if (!valid) throw std::runtime_error("No object id in " + where + ": \"" + hex + "\"");
  return id;
}

std::string Hex(const ObjectId& id) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : id) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

ObjectId RandomId() {
  static std::mt19937_64 generator{std::random_device{}()};
  ObjectId id;
  for (unsigned char& byte : id) byte = static_cast<unsigned char>(generator());
  return id;
}

// The tree id a commit's text begins with ("tree " and 40 hex digits).
ObjectId TreeOfCommit(const std::string& commit, const std::string& databasePath) {
  const std::string prefix = "tree ";
  if (commit.compare(0, prefix.size(), prefix) != 0)
    throw std::runtime_error("The head commit in " + databasePath + " names no tree");
  return ParseId(commit.substr(prefix.size(), 40), databasePath);
}

std::string PropertiesBlob() {
  return R"j({"commitId":"","description":"Timing runs of the recovery over a large hub )j"
         R"j((Recovered: 2018-05-14T09:12:00 (2018-05-14T09:12:00 UTC); Last modified time )j"
         R"j(at recovery: 2018-05-14T09:12:00 (2018-05-14T09:12:00 UTC))","frameRate":25,)j"
         R"j("name":"Bench Project (Recovered 2018-05-14T09:12:00)","tags":["bench","large"]})j";
}

std::string CommitText(const ObjectId& tree, const std::string& parentHex) {
  return "tree " + Hex(tree) + "\nparent " + parentHex +
         "\nauthor Velders Recovery <recovery@velders.invalid> 1526289120 +0000"
         "\ncommitter Velders Recovery <recovery@velders.invalid> 1526289120 +0000"
         "\n\nVelders Recovery (Recovered: 2018-05-14T09:12:00 (2018-05-14T09:12:00 UTC); "
         "Last modified time at recovery: 2018-05-14T09:12:00 (2018-05-14T09:12:00 UTC))\n";
}

}  // namespace

std::string CommitRecoveryObjects(const std::string& databasePath, const std::string& headId) {
  Database database(databasePath);
  const std::string headTree =
      database.ReadData(TreeOfCommit(database.ReadData(ParseId(headId, databasePath)), databasePath));
  const ObjectId tree = RandomId();
  const ObjectId commit = RandomId();
  database.Execute("BEGIN IMMEDIATE");
  database.Insert(RandomId(), kBlob, PropertiesBlob());
  database.Insert(tree, kTree, headTree);
  database.Insert(commit, kCommit, CommitText(tree, headId));
  database.Execute("COMMIT");
  database.Close();
  return Hex(commit);
}

}  // namespace bench
