// A fresh database with the schema for one test: SQLite in a scratch folder,
// or, when CAVRA_TEST_PG holds a conninfo, a PostgreSQL database of its own
// (dropped afterwards). Without CAVRA_TEST_PG a PostgreSQL one is not open.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "datasource/data_source.h"
#include "fakes/scratch.h"

namespace cavra::testing {

inline const char* PgConninfo() {
  const char* pg = std::getenv("CAVRA_TEST_PG");
  return pg && *pg ? pg : nullptr;
}

// stem, this process's id and a number of its own: a database name no other
// test (nor test process) takes.
inline std::string UniqueName(const std::string& stem) {
  static std::atomic<int> n{0};
  return stem + std::to_string(::getpid()) + "_" + std::to_string(++n);
}

class ScratchDatabase {
 public:
  // backend: "sqlite" or "postgresql"; settings: run by the server's
  // superuser on the new PostgreSQL database before it is opened, with $DB
  // standing for its name.
  // seeds: the example files the new database is seeded with.
  explicit ScratchDatabase(const std::string& backend, const std::string& settings = "",
                           const std::vector<datasource::SeedFile>& seeds = {}) {
    if (backend == "sqlite") {
      ds = datasource::OpenSqlite(dir_ / "test.db", true, seeds);
      return;
    }
    if (!PgConninfo()) return;
    name_ = UniqueName("cavra_scratch_");
    admin_ = datasource::OpenPostgres(PgConninfo(), false, {});
    admin_->Exec("CREATE DATABASE " + name_);
    if (!settings.empty()) admin_->Exec(Replace(settings, "$DB", name_));
    ds = datasource::OpenPostgres(std::string(PgConninfo()) + " dbname=" + name_, true, seeds);
  }
  ~ScratchDatabase() {
    ds.reset();
    if (admin_) (void)admin_->ExecuteSql("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)", {});
  }
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  std::shared_ptr<datasource::SqlDataSourceImpl> ds;  // null when PostgreSQL is not at hand

 private:
  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  }

  ScratchDir dir_;
  std::string name_;
  std::shared_ptr<datasource::SqlDataSourceImpl> admin_;
};

}  // namespace cavra::testing
