#include <gtest/gtest.h>

#include "cavra/error.h"
#include "cavra/recordset.h"
#include "fakes/expect_error.h"

namespace cavra {
namespace {

TEST(Recordset, WalksRecordsAndReadsFieldsByNameOrOrdinal) {
  Recordset rs({"cCode", "iQty"});
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
  rs.AddRow({"A", 1});
  rs.AddRow({"B", Variant::Null()});
  EXPECT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields("CCODE").Value(), Variant("A"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Fields(1).Value().IsNull());
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_VB_ERROR(rs.MoveNext(), err::kNoCurrentRecord);
  EXPECT_VB_ERROR(rs.Value("cCode"), err::kNoCurrentRecord);
  EXPECT_VB_ERROR(rs.Fields("missing"), err::kItemNotFound);
  rs.MoveFirst();
  auto rows = rs.GetRows();
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rs.Eof());
  rs.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_VB_ERROR(rs.RecordCount(), 3704);  // the object is closed
}

TEST(Recordset, GetChunkReadsBinaryValuesPiecewise) {
  Recordset rs({"Picture"});
  Bytes data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  rs.AddRow({Variant(data)});
  Field& f = rs.Fields("Picture");
  EXPECT_EQ(f.ActualSize(), 40000);
  Bytes joined;
  for (int n : {16384, 16384, 16384}) {
    Variant part = f.GetChunk(n);
    ASSERT_EQ(part.type(), VarType::Bytes);
    joined.insert(joined.end(), part.AsBytes().begin(), part.AsBytes().end());
  }
  EXPECT_EQ(joined, data);
  EXPECT_TRUE(f.GetChunk(10).IsNull());
}

}  // namespace
}  // namespace cavra
