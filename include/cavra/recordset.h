// Recordset: a forward-readable row set with named and positional fields.
// Data sources return it for query results; hosts build it for templates and
// print layouts. Null values are Variant::Null(); binary values are Bytes and
// can be read piecewise with Field::GetChunk.
//
// The end and start tests are Eof() and Bof(): "EOF" is a macro in C.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cavra/export.h"
#include "cavra/object.h"
#include "cavra/variant.h"

namespace cavra {

class Recordset;

// One field of the current record.
class CAVRA_EXPORT Field {
 public:
  const std::string& Name() const noexcept { return name_; }
  // Value in the current record; error 3021 when there is none.
  const Variant& Value() const;
  // Byte length of a binary value, text length in bytes of a text value.
  std::int32_t ActualSize() const;
  // The next n bytes of a binary value (fewer at its end); each call goes on
  // where the previous one stopped. Returns Null once everything was read.
  Variant GetChunk(std::int32_t n);

 private:
  friend class Recordset;
  Field(Recordset* owner, std::string name, std::int32_t ordinal)
      : owner_(owner), name_(std::move(name)), ordinal_(ordinal) {}
  Recordset* owner_;
  std::string name_;
  std::int32_t ordinal_;
  std::size_t chunk_offset_ = 0;
  std::int32_t chunk_row_ = -1;
};

class CAVRA_EXPORT Recordset : public Object {
 public:
  using Row = std::vector<Variant>;

  explicit Recordset(std::vector<std::string> field_names);
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Appends a record; error 5 when its size differs from the field count.
  // The cursor moves to the first record when it was on none.
  void AddRow(Row row);

  bool Eof() const;
  bool Bof() const;
  void MoveFirst();
  void MoveNext();      // error 3021 at EOF
  void MoveLast();
  std::int32_t RecordCount() const;
  // 0-based position of the current record (RecordCount() at EOF).
  std::int32_t AbsolutePosition() const noexcept { return pos_; }

  std::int32_t FieldCount() const noexcept { return static_cast<std::int32_t>(fields_.size()); }
  // Field by name (any letter case) or 0-based ordinal; error 3265 when
  // there is no such field. Reading its value needs a current record.
  Field& Fields(std::string_view name);
  Field& Fields(std::int32_t ordinal);
  // Shorthand for Fields(name).Value().
  const Variant& Value(std::string_view name) { return Fields(name).Value(); }
  bool HasField(std::string_view name) const;

  // All records from the current one to the end, as rows of values indexed
  // [record][field]; the cursor is left at EOF.
  std::vector<Row> GetRows();

  // Closing frees the records; a closed recordset answers IsOpen() false and
  // every other member fails with error 3704.
  void Close();
  bool IsOpen() const noexcept { return open_; }

  // The declared type of a field, as a rowset data type name ("string",
  // "int", "float", "number", "boolean", "dateTime", "bin.base64"); "" when
  // the source did not say.
  const std::string& FieldType(std::int32_t ordinal) const;
  void SetFieldType(std::int32_t ordinal, std::string type);

  const std::vector<std::string>& FieldNames() const noexcept { return names_; }
  const std::vector<Row>& Rows() const noexcept { return rows_; }

 private:
  friend class Field;
  const Variant& Cell(std::int32_t ordinal) const;
  void CheckOpen() const;

  std::vector<std::string> names_;
  std::vector<std::string> types_;
  std::vector<Field> fields_;
  std::unordered_map<std::string, std::int32_t> by_name_;  // upper-cased name
  std::vector<Row> rows_;
  std::int32_t pos_ = 0;
  bool bof_ = true;
  bool open_ = true;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

}  // namespace cavra
