// The database side of the backend parity test, through the library as a
// host sees it:
//   cavra-db-dump exec DB SQL          runs one statement (CREATE DATABASE ...)
//   cavra-db-dump dump DB TABLE...     every row of each table, canonical text
// DB is a SQLite file or a PostgreSQL conninfo (it holds "=").
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cavra/datasource.h"

namespace {

using cavra::Variant;
using cavra::VarType;

// A value with its type, so that 1 and 1.0 and "1" stay apart.
std::string Canonical(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      return "NULL";
    case VarType::Boolean:
      return v.AsBool() ? "b:true" : "b:false";
    case VarType::Integer:
    case VarType::Long:
      return "i:" + std::to_string(v.AsLong());
    case VarType::Double: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "d:%.17g", v.AsDouble());
      return buf;
    }
    case VarType::Bytes: {
      std::string out = "x:";
      char buf[3];
      for (auto byte : v.AsBytes()) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(byte));
        out += buf;
      }
      return out;
    }
    case VarType::String: {
      std::string out = "s:";
      for (char c : v.AsString()) {
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\\') out += "\\\\";
        else out += c;
      }
      return out;
    }
    default:
      return "?";
  }
}

cavra::SqlDataSourcePtr Open(const std::string& db) {
  if (db.find('=') != std::string::npos) return cavra::OpenPostgresDataSource(db, false).value();
  return cavra::OpenSqliteDataSource(db, false).value();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: cavra-db-dump exec DB SQL | dump DB TABLE...\n";
    return 2;
  }
  const std::string command = argv[1];
  try {
    cavra::SqlDataSourcePtr ds = Open(argv[2]);
    if (command == "exec") {
      ds->ExecuteSql(argv[3], {}).value();
      return 0;
    }
    for (int i = 3; i < argc; ++i) {
      cavra::Result<cavra::RecordsetPtr> result = ds->QuerySql(std::string("select * from ") + argv[i], {});
      if (!result.ok()) throw std::runtime_error(std::string(argv[i]) + ": " + result.error().description());
      const cavra::RecordsetPtr& rs = *result;
      std::cout << "== " << argv[i] << "\n";
      std::string heading;
      for (const auto& name : rs->FieldNames()) heading += (heading.empty() ? "" : "\t") + name;
      std::cout << heading << "\n";
      std::vector<std::string> lines;
      for (const auto& row : rs->Rows()) {
        std::string line;
        for (const auto& value : row) line += (line.empty() ? "" : "\t") + Canonical(value);
        lines.push_back(line);
      }
      std::sort(lines.begin(), lines.end());
      for (const auto& line : lines) std::cout << line << "\n";
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "cavra-db-dump: " << e.what() << "\n";
    return 1;
  }
}
