#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cavra/components.h"
#include "cavra/datasource.h"
#include "datasource/data_source.h"
#include "platform/error_flow.h"
#include "platform/paths.h"

namespace cavra {
namespace {

namespace fs = std::filesystem;

class DefaultLogin final : public ILogin {
 public:
  explicit DefaultLogin(std::string user) : user_(std::move(user)) {}
  std::string cSub_Id() override { return "AA"; }
  std::string cUserName() override { return user_; }
  std::string cAcc_Id() override { return "001"; }
  std::string getistallpath() override { return paths::ComponentDirectory().string(); }

 private:
  std::string user_;
};

std::string EnvText(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

fs::path HomeDirectory() {
  if (std::string home = EnvText("HOME"); !home.empty()) return home;
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return paths::TempDirectory();
}

// Builds the database under temporary names and moves it into place only
// when complete: the main file last, and never over an existing one.
void CreateSqliteDatabase(const fs::path& path, const std::vector<datasource::SeedFile>& examples,
                          const datasource::ConnectionWrapper& wrap) {
  static std::atomic<int> counter{0};
  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".part-" +
                                              std::to_string(getpid()) + "-" + std::to_string(++counter));
  std::vector<std::string> databases;
  auto cleanup = [&] {
    for (const auto& db : databases) fs::remove(datasource::AttachedDatabasePath(temp, db), ec);
    fs::remove(temp, ec);
    fs::remove(temp.string() + "-journal", ec);
  };
  try {
    std::unique_ptr<datasource::Connection> connection = datasource::ConnectSqlite(temp, true);
    if (wrap) connection = wrap(std::move(connection));
    datasource::SqlDataSourceImpl ds(std::move(connection));
    for (const auto& t : sql::TranslateScript(datasource::EmbeddedSchema(), sql::Dialect::kSqlite))
      for (const auto& db : t.databases)
        if (std::find(databases.begin(), databases.end(), db) == databases.end()) databases.push_back(db);
    datasource::BuildDatabase(ds, datasource::EmbeddedSchema(), examples);
  } catch (const VbError& e) {
    cleanup();
    throw VbError(err::kConnection,
                  "cannot create the SQLite database " + path.string() + ": " + e.description());
  } catch (...) {
    cleanup();
    throw;
  }
  std::vector<fs::path> placed;
  auto unplace = [&] {
    for (const auto& p : placed) fs::remove(p, ec);
  };
  for (const auto& db : databases) {
    const fs::path target = datasource::AttachedDatabasePath(path, db);
    fs::rename(datasource::AttachedDatabasePath(temp, db), target, ec);
    if (!ec) placed.push_back(target);
    if (ec) {
      const std::string reason = ec.message();
      unplace();
      cleanup();
      throw VbError(err::kConnection, "cannot create the SQLite database " + path.string() + ": " + reason);
    }
  }
  if (link(temp.c_str(), path.c_str()) != 0 && errno != EEXIST) {
    const std::string reason = std::strerror(errno);
    unplace();
    cleanup();
    throw VbError(err::kConnection, "cannot create the SQLite database " + path.string() + ": " + reason);
  }
  cleanup();  // EEXIST: another process made it first; keep theirs
}

}  // namespace

Result<void> SqlDataSource::WriteRowset(const std::string& table, const std::vector<std::string>& keyColumns,
                                        const DomDocument& document) {
  return WriteRowsets({RowsetWrite{table, keyColumns, &document}});
}

namespace datasource {

std::shared_ptr<SqlDataSourceImpl> OpenSqlite(const fs::path& path, bool create,
                                              const std::vector<SeedFile>& examples,
                                              const ConnectionWrapper& wrap) {
  std::error_code ec;
  if (create && !fs::exists(path, ec)) CreateSqliteDatabase(path, examples, wrap);
  std::unique_ptr<Connection> connection = ConnectSqlite(path, false);
  if (wrap) connection = wrap(std::move(connection));
  return std::make_shared<SqlDataSourceImpl>(std::move(connection));
}

std::shared_ptr<SqlDataSourceImpl> OpenPostgres(const std::string& conninfo, bool create,
                                                const std::vector<SeedFile>& examples,
                                                const ConnectionWrapper& wrap) {
  std::unique_ptr<Connection> connection = ConnectPostgres(conninfo);
  if (wrap) connection = wrap(std::move(connection));
  auto ds = std::make_shared<SqlDataSourceImpl>(std::move(connection));
  if (create && ds->connection().Columns("VoucherCustomerInfo").empty()) {
    try {
      BuildDatabase(*ds, EmbeddedSchema(), examples);
    } catch (const VbError& e) {
      throw VbError(err::kConnection, "cannot create the schema in PostgreSQL: " + e.description());
    }
  }
  return ds;
}

}  // namespace datasource

Result<SqlDataSourcePtr> OpenSqliteDataSource(const fs::path& path, bool create) {
  return datasource::Capture(
      [&] { return SqlDataSourcePtr(datasource::OpenSqlite(path, create, datasource::EmbeddedExamples())); });
}

Result<SqlDataSourcePtr> OpenPostgresDataSource(const std::string& conninfo, bool create) {
  return datasource::Capture([&] {
    return SqlDataSourcePtr(datasource::OpenPostgres(conninfo, create, datasource::EmbeddedExamples()));
  });
}

fs::path DefaultDatabasePath() {
  if (std::string db = EnvText("CAVRA_DB"); !db.empty()) return db;
  if (fs::path xdg = EnvText("XDG_DATA_HOME"); xdg.is_absolute()) return xdg / "cavra" / "cavra.db";
  return HomeDirectory() / ".local" / "share" / "cavra" / "cavra.db";
}

Result<SqlDataSourcePtr> OpenDefaultDataSource() { return OpenSqliteDataSource(DefaultDatabasePath(), true); }

LoginPtr NewDefaultLogin(const std::string& userName) {
  return std::make_shared<DefaultLogin>(userName.empty() ? EnvText("USER") : userName);
}

void RegisterDataSourceComponents() {
  ComponentRegistry::Register("DataSourceKit.DefaultDataSource",
                              [] { return ObjectPtr(OpenDefaultDataSource().value()); });
}

}  // namespace cavra
