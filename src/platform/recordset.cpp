#include "cavra/recordset.h"

#include <algorithm>

#include "cavra/collection.h"
#include "cavra/error.h"

namespace cavra {
namespace {
constexpr std::int32_t kClosed = 3704;
}

const Variant& Field::Value() const { return owner_->Cell(ordinal_); }

std::int32_t Field::ActualSize() const {
  const Variant& v = Value();
  if (v.type() == VarType::Bytes) return static_cast<std::int32_t>(v.AsBytes().size());
  if (v.IsNull() || v.IsEmpty()) return 0;
  return static_cast<std::int32_t>(CStr(v).size());
}

Variant Field::GetChunk(std::int32_t n) {
  const Variant& v = Value();
  if (chunk_row_ != owner_->pos_) {
    chunk_row_ = owner_->pos_;
    chunk_offset_ = 0;
  }
  if (v.IsNull()) return Variant::Null();
  if (v.type() != VarType::Bytes) throw VbError::Standard(err::kTypeMismatch);
  const Bytes& all = v.AsBytes();
  if (chunk_offset_ >= all.size() || n <= 0) return Variant::Null();
  const std::size_t take = std::min(all.size() - chunk_offset_, static_cast<std::size_t>(n));
  Bytes part(all.begin() + static_cast<std::ptrdiff_t>(chunk_offset_),
             all.begin() + static_cast<std::ptrdiff_t>(chunk_offset_ + take));
  chunk_offset_ += take;
  return Variant(std::move(part));
}

Recordset::Recordset(std::vector<std::string> field_names)
    : names_(std::move(field_names)), types_(names_.size()) {
  fields_.reserve(names_.size());
  for (std::size_t i = 0; i < names_.size(); ++i) {
    fields_.push_back(Field(this, names_[i], static_cast<std::int32_t>(i)));
    by_name_.try_emplace(detail::UpperKey(names_[i]), static_cast<std::int32_t>(i));
  }
}

void Recordset::CheckOpen() const {
  if (!open_) throw VbError::Standard(kClosed);
}

void Recordset::AddRow(Row row) {
  CheckOpen();
  if (row.size() != names_.size()) throw VbError::Standard(err::kInvalidCall);
  const bool was_empty = rows_.empty();
  rows_.push_back(std::move(row));
  if (was_empty) {
    pos_ = 0;
    bof_ = false;
  }
}

bool Recordset::Eof() const {
  CheckOpen();
  return rows_.empty() || pos_ >= static_cast<std::int32_t>(rows_.size());
}

bool Recordset::Bof() const {
  CheckOpen();
  return rows_.empty() || bof_;
}

void Recordset::MoveFirst() {
  CheckOpen();
  pos_ = 0;
  bof_ = rows_.empty();
}

void Recordset::MoveNext() {
  if (Eof()) throw VbError::Standard(err::kNoCurrentRecord);
  ++pos_;
  bof_ = false;
}

void Recordset::MoveLast() {
  CheckOpen();
  if (rows_.empty()) throw VbError::Standard(err::kNoCurrentRecord);
  pos_ = static_cast<std::int32_t>(rows_.size()) - 1;
  bof_ = false;
}

std::int32_t Recordset::RecordCount() const {
  CheckOpen();
  return static_cast<std::int32_t>(rows_.size());
}

Field& Recordset::Fields(std::string_view name) {
  CheckOpen();
  auto it = by_name_.find(detail::UpperKey(name));
  if (it == by_name_.end()) throw VbError::Standard(err::kItemNotFound);
  return fields_[static_cast<std::size_t>(it->second)];
}

Field& Recordset::Fields(std::int32_t ordinal) {
  CheckOpen();
  if (ordinal < 0 || ordinal >= FieldCount()) throw VbError::Standard(err::kItemNotFound);
  return fields_[static_cast<std::size_t>(ordinal)];
}

bool Recordset::HasField(std::string_view name) const {
  return by_name_.count(detail::UpperKey(name)) != 0;
}

const Variant& Recordset::Cell(std::int32_t ordinal) const {
  if (Eof() || bof_) throw VbError::Standard(err::kNoCurrentRecord);
  return rows_[static_cast<std::size_t>(pos_)][static_cast<std::size_t>(ordinal)];
}

std::vector<Recordset::Row> Recordset::GetRows() {
  if (Eof()) throw VbError::Standard(err::kNoCurrentRecord);
  std::vector<Row> out(rows_.begin() + pos_, rows_.end());
  pos_ = static_cast<std::int32_t>(rows_.size());
  return out;
}

const std::string& Recordset::FieldType(std::int32_t ordinal) const {
  if (ordinal < 0 || ordinal >= FieldCount()) throw VbError::Standard(err::kItemNotFound);
  return types_[static_cast<std::size_t>(ordinal)];
}

void Recordset::SetFieldType(std::int32_t ordinal, std::string type) {
  if (ordinal < 0 || ordinal >= FieldCount()) throw VbError::Standard(err::kItemNotFound);
  types_[static_cast<std::size_t>(ordinal)] = std::move(type);
}

void Recordset::Close() {
  CheckOpen();
  open_ = false;
  rows_.clear();
}

}  // namespace cavra
