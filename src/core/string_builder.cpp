#include "cavra/string_builder.h"

#include <cstdint>
#include <limits>

#include "cavra/error.h"
#include "platform/vbstring.h"

namespace cavra {
namespace {

std::int32_t Checked(std::int64_t n) {
  if (n > std::numeric_limits<std::int32_t>::max()) throw VbError::Standard(err::kOverflow);
  return static_cast<std::int32_t>(n);
}

}  // namespace

void StringBuilder::ChunkSize(std::int32_t lChunkSize) {
  // A step of 0 would never make room.
  if (lChunkSize < 1) throw VbError::Standard(err::kInvalidCall);
  chunk_ = lChunkSize;
}

void StringBuilder::TheString(std::string_view sThis) {
  if (sThis.empty()) {
    text_.clear();
    text_.shrink_to_fit();
    length_ = capacity_ = 0;
    return;
  }
  const std::int32_t len = vb::Len(sThis);
  if (len > capacity_) {
    const std::int64_t chunks = (static_cast<std::int64_t>(len) - capacity_ + chunk_ - 1) / chunk_;
    capacity_ = Checked(capacity_ + chunks * chunk_);
  }
  text_.reserve(static_cast<std::size_t>(capacity_));
  text_.assign(sThis);
  length_ = len;
}

void StringBuilder::Reserve(std::int32_t extra) {
  if (static_cast<std::int64_t>(length_) + extra <= capacity_) return;
  capacity_ = Checked(capacity_ + static_cast<std::int64_t>(chunk_) * (extra / chunk_ + 1));
  text_.reserve(static_cast<std::size_t>(capacity_));
}

void StringBuilder::Append(std::string_view sThis) {
  const std::int32_t len = vb::Len(sThis);
  Reserve(len);
  text_.append(sThis);
  length_ += len;
}

void StringBuilder::Insert(std::int32_t iIndex, std::string_view sThis) {
  if (iIndex < 0 || iIndex > length_) throw VbError::Standard(err::kSubscript);
  const std::int32_t len = vb::Len(sThis);
  Reserve(len);
  text_.insert(vb::ByteOffset(text_, iIndex), sThis);
  length_ += len;
}

void StringBuilder::Remove(std::int32_t iIndex, std::int32_t lLen) {
  if (iIndex < 0 || lLen < 0 || static_cast<std::int64_t>(iIndex) + lLen > length_)
    throw VbError::Standard(err::kSubscript);
  const std::size_t from = vb::ByteOffset(text_, iIndex);
  const std::size_t bytes = vb::ByteOffset(std::string_view(text_).substr(from), lLen);
  text_.erase(from, bytes);
  length_ -= lLen;
}

std::int32_t StringBuilder::Find(std::string_view sToFind, std::int32_t lStartIndex,
                                 std::int32_t compare) const {
  if (compare != 0 && compare != 1) throw VbError::Standard(err::kInvalidCall);
  const std::int32_t at = vb::InStr(lStartIndex < 1 ? 1 : lStartIndex, text_, sToFind,
                                    compare == 0 ? vb::Compare::Binary : vb::Compare::Text);
  return at <= length_ ? at : 0;
}

void StringBuilder::HeapMinimize() {
  while (capacity_ - length_ > chunk_) capacity_ -= chunk_;
  text_.shrink_to_fit();
}

}  // namespace cavra
