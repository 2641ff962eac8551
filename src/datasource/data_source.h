// SqlDataSource on a Connection: every IDataSource member, the parameterised
// statements and the rowset write-back, the same for both databases.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "cavra/datasource.h"
#include "datasource/connection.h"
#include "datasource/embedded.h"

namespace cavra::datasource {

// Runs f and returns what it returns, or the failure it throws as the error
// (another exception than a VbError becomes error 5 with its text).
template <class F>
auto Capture(F&& f) -> Result<decltype(f())> {
  try {
    if constexpr (std::is_void_v<decltype(f())>) {
      f();
      return {};
    } else {
      return f();
    }
  } catch (const VbError& e) {
    return e;
  } catch (const std::exception& e) {
    return VbError(err::kInvalidCall, e.what());
  } catch (...) {
    return VbError(err::kInvalidCall, "unknown failure");
  }
}

// Wraps the connection a database is created through (tests inject faults
// with it); none leaves it as it is.
using ConnectionWrapper = std::function<std::unique_ptr<Connection>(std::unique_ptr<Connection>)>;

class SqlDataSourceImpl final : public SqlDataSource {
 public:
  explicit SqlDataSourceImpl(std::unique_ptr<Connection> connection);

  std::string Backend() const override { return connection_->Backend(); }
  Result<RecordsetPtr> QuerySql(const std::string& sql, const VariantArray& params) override;
  Result<std::int64_t> ExecuteSql(const std::string& sql, const VariantArray& params) override;
  Result<void> WriteRowsets(const std::vector<RowsetWrite>& writes) override;

  RecordsetPtr GetRsBySql(const std::string& sql, std::string& errText) override;
  std::string GetAuthString(const std::string& billNo) override;
  std::string GetWorkflowAuthString(std::string& primaryKeys, std::string& receiptNo,
                                    const std::string& billNo) override;
  std::string GetAuditString(const std::string& primaryKeys, const std::string& billNo,
                             std::string& errText) override;
  void SaveCustomerInfo(std::string& record, std::string& errText) override;
  Variant GetCustomerInfo(std::string& request, std::string& errText) override;
  std::string GetCustomerizeTotalTitle() override;
  std::string GetCustomerizeTotalTitle(const std::string& languageId) override;
  std::string GetUserName() override;
  std::string WebRootURL() override;
  LoginPtr GetLogin() override;
  void setLogin(LoginPtr login) override;

  // Translates a T-SQL statement and runs it; VbError on failure.
  ResultSet Exec(std::string_view tsql, const VariantArray& params = {});
  Connection& connection() { return *connection_; }

 private:
  // The first column of the first row as text, or fallback when there is
  // no row or the value is Null.
  std::string ScalarText(std::string_view tsql, const VariantArray& params, const std::string& fallback);
  void WriteOne(const RowsetWrite& write, RowsetWriteCounts& counts);

  std::unique_ptr<Connection> connection_;
  LoginPtr login_;
  bool login_given_ = false;
};

// Creates the schema and seeds the examples, in one transaction (the
// databases the schema names are made first). Returns the names of those
// databases. VbError naming the file and the reason on failure.
std::vector<std::string> BuildDatabase(SqlDataSourceImpl& ds, std::string_view schema,
                                       const std::vector<SeedFile>& examples);
// One template.xml / voucher.xml document into the tables (inside the
// caller's transaction). A voucher table with <column> elements is created
// when missing; one without them must be a table of the schema ("db..table"
// for another database) and only gets the rows.
void SeedTemplate(SqlDataSourceImpl& ds, std::string_view xml);
void SeedVoucher(SqlDataSourceImpl& ds, std::string_view xml);

// Opening with an explicit seed, for the public open functions and tests.
// VbError on failure.
std::shared_ptr<SqlDataSourceImpl> OpenSqlite(const std::filesystem::path& path, bool create,
                                              const std::vector<SeedFile>& examples,
                                              const ConnectionWrapper& wrap = {});
std::shared_ptr<SqlDataSourceImpl> OpenPostgres(const std::string& conninfo, bool create,
                                                const std::vector<SeedFile>& examples,
                                                const ConnectionWrapper& wrap = {});

}  // namespace cavra::datasource
