// Command-line arguments of cavra-voucher: a command and its options.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cavra::tool {

// A mistake in the command line: printed with the command's usage, exit 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A value the command cannot take (a field value that does not fit its field,
// a line the voucher does not have, a bad sort command): nothing is saved,
// exit 2.
struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A failure while working (missing database, unknown voucher ...): exit 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string command;
  bool help = false;
  std::optional<std::string> db;      // --db PATH
  std::string card = "17";            // --template CARD[:ID]
  int template_id = 12;
  std::optional<std::string> voucher;  // --voucher ID
  std::optional<std::string> lang;     // --lang zh-CN|en-US
  std::optional<std::string> out;      // --out DIR
  std::optional<int> line;             // --line N
  std::vector<std::pair<std::string, std::string>> sets;  // --set FIELD=VALUE
  std::optional<std::string> by;       // --by SORT-COMMAND
  std::optional<std::string> file;     // --file TEMPLATE.xml
  bool save = false;                   // --save
  int file_type = 0;                   // --type xlsx|pdf|html|csv|N (export)
  std::vector<std::string> to;         // --to ADDRESS (mail), repeatable
  std::optional<std::string> labels;   // --labels LABELS.xml
};

// Parses argv; UsageError on a bad option or value. Options a command does
// not take are refused.
Options ParseArguments(int argc, char** argv);

// The usage text of a command ("" for the tool as a whole).
std::string Usage(const std::string& command);

}  // namespace cavra::tool
