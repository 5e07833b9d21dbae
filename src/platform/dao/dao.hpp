// A DAO-like database layer: the objects the host hands the plug-in
// (workspace, database, recordset) and the few members the plug-in uses.
// The classes here are back-end neutral. The name a database is opened with
// chooses the back end: a file path is SQLite, the embedded default; a
// PostgreSQL connection string ("postgresql://..." or "host=... dbname=...")
// is an office's shared server. A member a back end cannot offer fails with
// 3251 instead of doing something half right.
//
//   auto db = CreateWorkspace()->OpenDatabase("/srv/office/verw.db");
//   auto rs = db->OpenRecordset("SELECT * FROM TempDoc WHERE ID_Benutzer = " +
//                               SqlInteger(user_id));
//   if (!rs->Eof()) rabatt = ToInteger(rs->Field("Rabatt")->Value());
//
// Every failure is a korvax::Error with Jet's number and German text
// (dao_errors.hpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "common/variant.hpp"

namespace korvax::dao {

class Database;
class Recordset;
class Fields;
class Field;

// Recordset types with DAO's numbers.
enum RecordsetType : int16_t {
  dbOpenTable = 1,        // a whole table by name; updatable
  dbOpenDynaset = 2,      // the default for queries; updatable for single-table queries
  dbOpenSnapshot = 4,     // a read-only copy; scrolls both ways
  dbOpenForwardOnly = 8,  // read-only, MoveNext only; rows are read as they are visited
};

// The edit state of a recordset (DAO's EditMode).
enum EditMode : int16_t {
  dbEditNone = 0,
  dbEditInProgress = 1,  // after Edit
  dbEditAdd = 2,         // after AddNew
};

// The session through which databases are opened.
class Workspace : public Object {
 public:
  std::string TypeName() const override { return "Workspace"; }

  // Opens an existing database file (a missing file is 3024 and is never
  // created) or connects to a server (3151 unreachable, 3029 login refused).
  // Read-only opens refuse every write with 3027.
  std::shared_ptr<Database> OpenDatabase(const std::string& name, bool read_only = false) {
    return DoOpenDatabase(name, read_only);
  }

  // Creates a new, empty database file and opens it (3204 when it exists);
  // for setting up an office's data, never used on the host's database.
  std::shared_ptr<Database> CreateDatabase(const std::string& name) {
    return DoCreateDatabase(name);
  }

 protected:
  virtual std::shared_ptr<Database> DoOpenDatabase(const std::string& name, bool read_only) = 0;
  // A back end that cannot create databases (a server) keeps this: 3251.
  virtual std::shared_ptr<Database> DoCreateDatabase(const std::string& name);
};

// An open database. Recordsets keep what they need alive, so a database may
// be released while its recordsets are still in use; Close ends them all.
class Database : public Object {
 public:
  std::string TypeName() const override { return "Database"; }

  virtual std::string Name() const = 0;  // the path it was opened with
  virtual bool Updatable() const = 0;    // false when opened or mounted read-only

  // Runs a query, as DAO's OpenRecordset: a table name or a SELECT text, run
  // unchanged. A table name opens dbOpenTable, a query dbOpenDynaset.
  std::shared_ptr<Recordset> OpenRecordset(const std::string& source) {
    return DoOpenRecordset(source, 0);
  }
  std::shared_ptr<Recordset> OpenRecordset(const std::string& source, RecordsetType type) {
    return DoOpenRecordset(source, type);
  }

  // Runs an action query (or several, separated by semicolons); all or nothing.
  virtual void Execute(const std::string& sql) = 0;
  virtual int32_t RecordsAffected() const = 0;  // rows changed by the last Execute

  // Closes the database; later calls on it or its recordsets fail with 3420.
  // A transaction still open is rolled back.
  virtual void Close() = 0;

  // A server database: the first failure since it was opened that means the
  // office's data could not be reached (server gone, query timed out), or
  // nullptr. A host must not save a document whose totals the database may
  // not have taken.
  virtual const Error* ServerFault() const { return nullptr; }

  // Transactions, as DAO's BeginTrans, CommitTrans and Rollback: what is
  // written through this database and its recordsets after BeginTrans is
  // stored by CommitTrans, all of it, or undone by Rollback. They nest up to
  // five levels (3003 beyond); CommitTrans or Rollback without one is 3034.
  // A failing CommitTrans (3260 when another process holds the file) leaves
  // the transaction open, to be committed again or rolled back. Recordsets
  // keep showing what was written through them after a Rollback until they
  // are opened again. The guard below is the safe way to use them.
  void BeginTrans() { DoBeginTrans(); }
  void CommitTrans() { DoCommitTrans(); }
  void Rollback() { DoRollback(); }
  // How many transactions are open, 0 outside of any.
  virtual int TransactionLevel() const { return 0; }

 protected:
  // type 0 means the default for the source.
  virtual std::shared_ptr<Recordset> DoOpenRecordset(const std::string& source, int type) = 0;
  // A back end without transactions keeps these: 3251.
  virtual void DoBeginTrans();
  virtual void DoCommitTrans();
  virtual void DoRollback();
};

// A transaction that rolls back unless Commit ran, so that a failure between
// its writes, or before the caller is ready to keep them, leaves the database
// as it was:
//
//   dao::Transaction transaction(database);
//   invoice->Edit(); ... invoice->Update();
//   document->Save();        // throws: the record stays as it was
//   transaction.Commit();
class Transaction {
 public:
  explicit Transaction(std::shared_ptr<Database> database);  // BeginTrans
  ~Transaction();  // Rollback unless committed; never throws
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // CommitTrans. When it fails the transaction stays open and the guard
  // still rolls it back.
  void Commit();
  bool Committed() const { return committed_; }

 private:
  std::shared_ptr<Database> database_;
  bool committed_ = false;
};

// The rows of a query with a current row. Positions: before the first row
// (Bof), on a row, after the last row (Eof); an empty result is Bof and Eof.
// SQLite back end: the values are those read when the recordset opened (or
// written through it since); changes by others show after opening it again.
// Update writes only the fields that were set, so it never undoes those.
class Recordset : public Object {
 public:
  std::string TypeName() const override { return "Recordset"; }

  virtual RecordsetType Type() const = 0;
  virtual bool Updatable() const = 0;  // Edit and AddNew allowed
  virtual bool Bof() const = 0;
  virtual bool Eof() const = 0;

  // Moving cancels a pending Edit or AddNew, as in DAO. Moving past either
  // end is 3021; a forward-only recordset only moves forward (3219 otherwise).
  virtual void MoveFirst() = 0;
  virtual void MoveLast() = 0;
  virtual void MoveNext() = 0;
  virtual void MovePrevious() = 0;

  // SQLite back end: the total number of rows for a scrolling recordset (DAO
  // counted only the rows visited until MoveLast); for a forward-only one the
  // rows read so far.
  virtual int32_t RecordCount() const = 0;

  virtual dao::Fields& Fields() = 0;
  // The field of that name, as Fields().Item(name): rs->Field("Datum")->Value().
  std::shared_ptr<dao::Field> Field(std::string_view name);

  // Copies the current row into the edit buffer (3021 without one, 3027 when
  // not updatable); field writes go to the buffer until Update.
  virtual void Edit() = 0;
  // Starts a new row with all fields Null; Update appends it to the table.
  virtual void AddNew() = 0;
  // Writes the buffer to the base table in one transaction; 3020 without
  // Edit or AddNew. Afterwards the current row shows the values as stored.
  virtual void Update() = 0;
  // Drops the buffer; 3020 without Edit or AddNew.
  virtual void CancelUpdate() = 0;
  // Deletes the current row from the base table (3021 without one, 3027 when
  // not updatable). As in DAO it stays current but unreadable (3167) until
  // the next move, and RecordCount no longer counts it.
  virtual void Delete() = 0;
  virtual dao::EditMode EditMode() const = 0;

  virtual void Close() = 0;
};

// The fields of a recordset, in the order of the query's columns.
class Fields {
 public:
  virtual ~Fields() = default;
  virtual int32_t Count() const = 0;
  // 0-based as in DAO; out of range or unknown name is 3265. Names compare
  // case-insensitively, umlauts included.
  virtual std::shared_ptr<dao::Field> Item(int32_t index) = 0;
  virtual std::shared_ptr<dao::Field> Item(std::string_view name) = 0;
};

// One column of a recordset, bound to its recordset: its value is always the
// value in the current row (or in the edit buffer during Edit and AddNew).
class Field : public ValueObject {
 public:
  std::string TypeName() const override { return "Field"; }

  virtual std::string Name() const = 0;
  // Null, Long, Double, String, Date or Boolean; 3021 without a current row.
  Variant Value() const override = 0;
  // Writes to the edit buffer: 3020 without Edit or AddNew, 3421 for a value
  // that does not fit the column's type, 3164 for a computed column.
  virtual void SetValue(const Variant& value) = 0;
};

inline std::shared_ptr<Field> Recordset::Field(std::string_view name) {
  return Fields().Item(name);
}

// A workspace that opens SQLite files and PostgreSQL servers alike, each by
// its name (IsServerConnection).
std::shared_ptr<Workspace> CreateWorkspace();

// Whether a database name is a PostgreSQL connection string: a
// "postgresql://" or "postgres://" URI, or libpq's "key=value" words.
bool IsServerConnection(std::string_view name);

// The name to show in messages: a connection string without its password.
std::string DisplayName(std::string_view name);

// A record value as the decimal text of a 32-bit integer, for SQL built from
// values: "SELECT * FROM Termine WHERE ID_Rechnungsnummer = " + SqlInteger(v).
// Converts as CLng (halves to even; 13 for a text that is no number, 94 for
// Null, 6 outside the range), so no text is ever spliced into a query. A
// field is read through its value.
std::string SqlInteger(const Variant& value);

}  // namespace korvax::dao
