// The library's own data sources: an embedded SQLite database (behind the
// default data source "DataSourceKit.DefaultDataSource") and a PostgreSQL
// data source for servers where many hosts share one database. Both hold the
// same schema: every table the service's SQL texts name, the tables behind
// the host-side members (field rights, workflow rights, audit flows, total
// captions, customer info) and the template tables.
//
// GetRsBySql takes the service's T-SQL texts as they stand (TOP n, N'...',
// isnull(, GetDate(), dbo., "db..table", IF ... SELECT ... ELSE SELECT ...)
// and runs them in the database's own dialect; one statement per call.
// Failures come back as the out error text and a null recordset, never as an
// exception. Dates and times come back as text "YYYY-MM-DD HH:MM:SS".
//
// The "db..table" databases are, in SQLite, files beside the main one named
// <stem>.<db><ext> ("cavra.tolmmeta_001.db" beside "cavra.db"), attached on
// first use; in PostgreSQL, schemas. The seeded account is "001".
//
// A data source object is used on one thread at a time.
//
// Example:
//   cavra::RegisterDataSourceComponents();  // "DataSourceKit.DefaultDataSource"
//   cavra::Result<cavra::SqlDataSourcePtr> ds = cavra::OpenSqliteDataSource("/srv/app/vouchers.db", true);
//   if (!ds.ok()) return Fail(ds.error());
//   cavra::Result<cavra::RecordsetPtr> tpl = cavra::LoadTemplateRecordset(**ds, "SO", 12);
//
// The members and functions added here (not IDataSource's) return a
// cavra::Result (result.h): the value, or the VbError that says why not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cavra/dom.h"
#include "cavra/error.h"
#include "cavra/export.h"
#include "cavra/host.h"
#include "cavra/recordset.h"
#include "cavra/result.h"
#include "cavra/variant.h"

namespace cavra {

// What a WriteRowsets call did to one table.
struct RowsetWriteCounts {
  std::int64_t inserted = 0, updated = 0, deleted = 0;
  std::int64_t unchanged = 0;  // "M" rows whose values equal their original's
};

// One persisted-rowset document to write into a table (see WriteRowsets).
struct RowsetWrite {
  std::string table;
  // Columns that find an existing row (for "M" and "D" rows).
  std::vector<std::string> keyColumns;
  const DomDocument* document = nullptr;
  // Optional: the rows as they were read, before any edit (found by their
  // key values). With it an "M" row writes only the
  // columns whose values differ from its original row, and only while the
  // stored row still holds the original values of those columns.
  const DomDocument* original = nullptr;
  // Optional: receives what was done (only when the write succeeds).
  RowsetWriteCounts* counts = nullptr;
};

// IDataSource over an SQL database, with what a host needs to write voucher
// data back. Every IDataSource member is implemented:
// - GetAuthString: the VoucherFieldAuth text of the voucher type, else "1=2".
// - GetWorkflowAuthString: the VoucherWorkflowAuth text of (voucher type,
//   primary-key text), else "NotInFlow"; the receipt number is not used.
// - GetAuditString: the audit-flow XML built from the VoucherAuditFlow rows
//   of (voucher type, primary-key text); "" when there are none. Shape:
//     <AuditFlow cardnumber=".." vchid="..">
//       <History> every action, newest first </History>
//       <CurrentRound> the actions from the last submit or resubmit on
//                      (all, when there is none), oldest first </CurrentRound>
//     </AuditFlow>
//   each action a <Record action taskName operator auditTime opinion/>, the
//   time as "YYYY-MM-DDTHH:MM:SS". Rows are ordered by iSeq. History is the
//   normal record list of an audit display, CurrentRound the alternative one.
// - SaveCustomerInfo / GetCustomerInfo: VoucherCustomerInfo records keyed by
//   the "Data" element's fchrType, fchrOperator, fchrVoucherType and
//   fchrVoucherTemplateType; "#cUserName#" in fchrOperator stands for the
//   login's user. The content is stored and returned exactly as written.
//   GetCustomerInfo answers Empty when there is no record.
// - GetCustomerizeTotalTitle: the VoucherTotalTitle text of the language (the
//   current language without an argument), else "".
// - GetUserName: the login's cUserName. WebRootURL: the DataSourceSettings
//   value "WebRootURL", else "".
// - GetLogin / setLogin: the login in use (a default login until one is set).
class CAVRA_EXPORT SqlDataSource : public IDataSource {
 public:
  // "sqlite" or "postgresql".
  virtual std::string Backend() const = 0;

  // Runs one statement with "?" placeholders bound to params in order (Null
  // and Empty bind NULL, Bytes a binary value). The statement is translated
  // like GetRsBySql's. A query's rows, or the database's reason.
  virtual Result<RecordsetPtr> QuerySql(const std::string& sql, const VariantArray& params) = 0;
  // The same for a statement without rows: the number of rows it changed.
  virtual Result<std::int64_t> ExecuteSql(const std::string& sql, const VariantArray& params) = 0;

  // Writes persisted-rowset documents into their tables, in one transaction:
  // every row or none. Each z:row's "editprop" says what to do: "A" inserts
  // it, "M" updates the row with its key values, "D" deletes that row, empty
  // or absent leaves it. Columns are the schema's names that the table has
  // (rs:name when name is not a column); other columns are skipped; a missing
  // attribute writes NULL. Values are converted to the column types (dateTime
  // text with "T", Base64 for binary columns). An "M" or "D" row that finds no
  // row, a row without its key values or an unknown editprop fails the whole
  // write. The error says why on failure.
  //
  // With an original document (RowsetWrite::original), for concurrent
  // writers: an "M" row must have a row of the same key in the original, and
  // no two rows of the document may share a key, so a row is always matched
  // by the key it was read with (an edited key value fails the write). Values
  // are compared as the column's type ("1130" equals "1130.00" in a number
  // column); an "M" row with no changed column writes nothing. The UPDATE
  // requires each changed column to still hold its original value (Null
  // compares equal to Null): when another writer changed one of them since
  // the read, the whole write fails with "changed by another user" in the
  // error's description. Two writers changing different columns of a row both succeed.
  // "A" and "D" rows are written as without an original.
  //
  // The transaction takes the database's write lock when it starts, so a
  // second writer waits for the first instead of failing half-way: on SQLite
  // up to 5 seconds (the connection's busy timeout), then the write fails with
  // "database is locked"; on PostgreSQL a row being written by another
  // transaction is waited for until that transaction ends.
  virtual Result<void> WriteRowsets(const std::vector<RowsetWrite>& writes) = 0;
  Result<void> WriteRowset(const std::string& table, const std::vector<std::string>& keyColumns,
                           const DomDocument& document);
};

using SqlDataSourcePtr = std::shared_ptr<SqlDataSource>;

// Opens the SQLite database at path. A missing file is an error (err::kConnection)
// unless create is true: then the database is built with the
// schema and the examples compiled into the library, under a temporary name
// that is renamed into place only when complete, so a failed creation leaves
// nothing behind. A file that is not a database is an error too.
CAVRA_EXPORT Result<SqlDataSourcePtr> OpenSqliteDataSource(const std::filesystem::path& path,
                                                           bool create = false);

// Connects to PostgreSQL with a libpq conninfo ("host=... dbname=..." or a
// postgresql:// URI). With create true, a database without the schema gets
// it, and the examples, in one transaction. err::kConnection when the
// server cannot be reached (libpq's reason in the description) or the
// library was built without PostgreSQL.
// Column names come back as SQLite gives them, in the letter case they were
// declared in: every CREATE TABLE and ALTER TABLE ... ADD / RENAME COLUMN run
// through a data source records its unquoted names in the table
// cavra_meta.column_case. A table made by other means (psql, CREATE TABLE
// ... AS SELECT) is not recorded: its unquoted names come back in lower case
// unless the statement spells them.
CAVRA_EXPORT Result<SqlDataSourcePtr> OpenPostgresDataSource(const std::string& conninfo,
                                                             bool create = false);

// Where the default database lives: the environment variable CAVRA_DB when
// set, else $XDG_DATA_HOME/cavra/cavra.db (when XDG_DATA_HOME is an absolute
// path), else ~/.local/share/cavra/cavra.db.
CAVRA_EXPORT std::filesystem::path DefaultDatabasePath();

// OpenSqliteDataSource(DefaultDatabasePath(), true).
CAVRA_EXPORT Result<SqlDataSourcePtr> OpenDefaultDataSource();

// A login: cSub_Id "AA", cAcc_Id "001", getistallpath the component folder,
// cUserName userName (the USER environment variable when empty).
CAVRA_EXPORT LoginPtr NewDefaultLogin(const std::string& userName = "");

// Registers "DataSourceKit.DefaultDataSource": each creation opens the
// default database, creating it when missing (its VbError is thrown when
// that fails, as the registry's creation reports it).
CAVRA_EXPORT void RegisterDataSourceComponents();

// The positional template recordset of one template (voucher type and
// template id), read through GetRsBySql from the template tables: the 127
// item columns in position order (named as in kTemplateItemColumns; reserved
// positions are Null), then the template-wide columns (kTemplateColumns); all
// body items ("B") before all header items ("T"), each section in its stored
// order. An error when the query fails (the data source's reason; number 5)
// or the template has no items (err::kNoCurrentRecord).
CAVRA_EXPORT Result<RecordsetPtr> LoadTemplateRecordset(IDataSource& dataSource,
                                                        const std::string& cardNumber,
                                                        std::int32_t templateId);

// The voucher-number rule stored for a voucher type (the text
// clsVoucherService::SetBillNumberRule takes); "" when none is stored.
CAVRA_EXPORT Result<std::string> LoadBillNumberRule(IDataSource& dataSource, const std::string& cardNumber);

// The custom archive relation rows stored for a voucher type (the recordset
// clsVoucherService::SetCustomRelation takes): ItemKey, IsPrimary,
// ArchivesName, ArchivesIndex and cTablename, by ItemKey; no rows when none
// are stored.
CAVRA_EXPORT Result<RecordsetPtr> LoadCustomRelation(IDataSource& dataSource, const std::string& cardNumber);

}  // namespace cavra
