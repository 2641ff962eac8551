// StringBuilder: a growable text buffer for building large XML and print
// texts. Texts are UTF-8; every count and position is in characters (code
// points). Positions are 0-based except in Find, which is 1-based.
//
// The capacity grows in whole chunks (ChunkSize characters, 8192 after
// construction) and never shrinks except through TheString("") and
// HeapMinimize. Not thread-safe: one builder belongs to one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cavra/export.h"

namespace cavra {

class CAVRA_EXPORT StringBuilder {
 public:
  StringBuilder() = default;

  // Used length, in characters.
  std::int32_t Length() const noexcept { return length_; }
  // Capacity, in characters.
  std::int32_t Capacity() const noexcept { return capacity_; }
  // Growth step, in characters; error 5 for a step below 1.
  std::int32_t ChunkSize() const noexcept { return chunk_; }
  void ChunkSize(std::int32_t lChunkSize);

  // The used text ("" when empty).
  const std::string& ToString() const noexcept { return text_; }
  // Replaces the content. "" empties the buffer and sets length and capacity
  // to 0; otherwise the capacity grows one chunk at a time until the text fits.
  void TheString(std::string_view sThis);

  // Adds sThis at the end; when it does not fit, the capacity grows by
  // ChunkSize * (Len(sThis) \ ChunkSize + 1).
  void Append(std::string_view sThis);
  void AppendByVal(std::string_view sThis) { Append(sThis); }

  // Inserts sThis before character iIndex (0 .. Length; Length appends),
  // growing like Append; error 9 for any other index.
  void Insert(std::int32_t iIndex, std::string_view sThis);
  void InsertByVal(std::int32_t iIndex, std::string_view sThis) { Insert(iIndex, sThis); }

  // Removes lLen characters from iIndex; error 9 unless iIndex >= 0,
  // lLen >= 0 and iIndex + lLen <= Length.
  void Remove(std::int32_t iIndex, std::int32_t lLen);

  // 1-based position of sToFind at or after the 1-based lStartIndex (1 when
  // lStartIndex < 1), or 0. compare: 0 binary, 1 text (ASCII letters without
  // regard to case); error 5 for another value.
  std::int32_t Find(std::string_view sToFind, std::int32_t lStartIndex = 1, std::int32_t compare = 1) const;

  // Takes whole chunks off the capacity while more than one chunk is spare.
  void HeapMinimize();

 private:
  // Grows the capacity for `extra` more characters, in Append's steps.
  void Reserve(std::int32_t extra);

  std::string text_;  // exactly the used text; the capacity is bookkeeping
  std::int32_t length_ = 0;
  std::int32_t capacity_ = 0;
  std::int32_t chunk_ = 8192;
};

}  // namespace cavra
