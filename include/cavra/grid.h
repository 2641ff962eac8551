// IBodyGrid: a spreadsheet-like body grid a host may attach to the service
// (clsVoucherService::attachBodyGrid). Without one, members that need the
// grid's current row fail with error 91 and everything else works on
// explicit line numbers. Defaults fail with error 438.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cavra/export.h"
#include "cavra/host.h"
#include "cavra/object.h"

namespace cavra {

class CAVRA_EXPORT IBodyGrid : public Object {
 public:
  virtual std::int32_t Row();
  virtual void Row(std::int32_t row);
  virtual bool Redraw();
  virtual void Redraw(bool on);
  virtual bool ReadOnly();
  virtual void ReadOnly(bool on);
  virtual std::int32_t TopRow();
  virtual void TopRow(std::int32_t row);
  virtual std::int32_t BottomRow();
  virtual std::int32_t Rows();
  virtual std::int32_t FixedRows();
  virtual std::int32_t Cols();
  virtual std::string BadStr();
  virtual void BadStr(const std::string& chars);
  virtual std::int32_t ProtectUnload();
  virtual std::string TextMatrix(std::int32_t row, std::int32_t col);
  virtual std::string TextMatrixTotal(std::int32_t col);
  virtual void TextMatrixTotal(std::int32_t col, const std::string& text);
  virtual void ShowCell(std::int32_t row, std::int32_t col);
  virtual void SelectRange(std::int32_t row1, std::int32_t col1, std::int32_t row2, std::int32_t col2);
  virtual void GetSelection(std::int32_t& row1, std::int32_t& col1, std::int32_t& row2, std::int32_t& col2);
  virtual void LoginObj(LoginPtr login);
};

using BodyGridPtr = std::shared_ptr<IBodyGrid>;

}  // namespace cavra
